# KeloScroll.ocx in real containers, with windows: run on a virtual display (xvfb-run). Both
# compare the screen with the painters' reference images: Wine sees the build machine's root as
# drive Z:.
set(kelo_reference_dir KELO_REFERENCE_DIR="Z:${CMAKE_CURRENT_SOURCE_DIR}/reference")
kelo_test(atl_container_test atl_container_test.cpp com_client.cpp)
target_include_directories(atl_container_test PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(atl_container_test PRIVATE keloscroll_host ole32 oleaut32 uuid user32 gdi32)
target_compile_definitions(atl_container_test PRIVATE ${kelo_reference_dir})
# The library and its assembly manifest beside the test programs, copied again whenever they are
# rebuilt.
if(NOT TARGET keloscroll_ocx_beside_tests)
  add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/KeloScroll.ocx
                            ${CMAKE_CURRENT_BINARY_DIR}/KeloScroll.manifest
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:keloscroll_ocx> ${KELO_OCX_MANIFEST}
            ${CMAKE_CURRENT_BINARY_DIR}
    DEPENDS keloscroll_ocx $<TARGET_FILE:keloscroll_ocx> keloscroll_manifest ${KELO_OCX_MANIFEST}
    VERBATIM)
  add_custom_target(keloscroll_ocx_beside_tests ALL
    DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/KeloScroll.ocx ${CMAKE_CURRENT_BINARY_DIR}/KeloScroll.manifest)
endif()
add_dependencies(atl_container_test keloscroll_ocx_beside_tests)
# With Wine's heap checks: a control used after its container let it go faults at once.
if(CMAKE_CROSSCOMPILING_EMULATOR AND NOT KELO_CANNOT_RUN)
  set_tests_properties(atl_container_test PROPERTIES TIMEOUT 300
    ENVIRONMENT "KELO_WINE_DISPLAY=1;KELO_WINEDEBUG=warn+heap")
endif()

# A form container of our own, a form designer's in miniature: extender, Parent with Controls
# (real EDIT text boxes), ambient UserMode for design and run mode, property notifications.
kelo_test(form_container_test form_container_test.cpp form_container.cpp com_client.cpp)
target_include_directories(form_container_test PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(form_container_test PRIVATE keloscroll_host ole32 oleaut32 uuid user32 gdi32)
target_compile_definitions(form_container_test PRIVATE ${kelo_reference_dir})
add_dependencies(form_container_test keloscroll_ocx_beside_tests)
if(CMAKE_CROSSCOMPILING_EMULATOR AND NOT KELO_CANNOT_RUN)
  set_tests_properties(form_container_test PROPERTIES TIMEOUT 300 ENVIRONMENT "KELO_WINE_DISPLAY=1")
endif()

# The Windows demo plays its session headless, writes its screenshots and checks what its window
# shows (each bar's thumb where its Value says, the tooltip beside the bar that raised it); a
# failed check is its exit status.
if(TARGET keloscroll-windemo)
  add_test(NAME windemo_headless COMMAND keloscroll-windemo sample.txt --shots shots
           WORKING_DIRECTORY $<TARGET_FILE_DIR:keloscroll-windemo>)
  set_tests_properties(windemo_headless PROPERTIES TIMEOUT 120 ENVIRONMENT "KELO_WINE_DISPLAY=1"
    FAIL_REGULAR_EXPRESSION "FAILED|could not write")
  if(KELO_CANNOT_RUN)
    set_tests_properties(windemo_headless PROPERTIES DISABLED TRUE)
  endif()
endif()

# The example host of examples/windows-host, registration-free (KeloScroll.manifest beside it,
# nothing registered): a press on an end button and a Value write, Change and GetDescription back.
if(TARGET keloscroll-windows-host)
  add_test(NAME windows_host_example COMMAND keloscroll-windows-host --self-test
           WORKING_DIRECTORY $<TARGET_FILE_DIR:keloscroll-windows-host>)
  set_tests_properties(windows_host_example PROPERTIES TIMEOUT 120
    ENVIRONMENT "KELO_WINE_DISPLAY=1"
    PASS_REGULAR_EXPRESSION "registration-free.*Change ([2-9]|[1-9][0-9]+), GetDescription [1-9]")
  if(KELO_CANNOT_RUN)
    set_tests_properties(windows_host_example PROPERTIES DISABLED TRUE)
  endif()
endif()

# The two containers again on screens of 96, 120, 144 and 192 dots per inch: one program, run in
# a prefix per density (scripts/wine-run writes KELO_WINE_DPI into it as the display's setting).
kelo_test(density_test density_test.cpp form_container.cpp com_client.cpp)
target_include_directories(density_test PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(density_test PRIVATE keloscroll_control ole32 oleaut32 uuid user32 gdi32)
target_compile_definitions(density_test PRIVATE ${kelo_reference_dir})
add_dependencies(density_test keloscroll_ocx_beside_tests)
if(CMAKE_CROSSCOMPILING_EMULATOR AND NOT KELO_CANNOT_RUN)
  set_tests_properties(density_test PROPERTIES TIMEOUT 300
    ENVIRONMENT "KELO_WINE_DISPLAY=1;KELO_WINE_DPI=96")
  foreach(dpi 120 144 192)
    add_test(NAME density_test_${dpi}dpi COMMAND density_test)
    set_tests_properties(density_test_${dpi}dpi PROPERTIES TIMEOUT 300
      ENVIRONMENT "KELO_WINE_DISPLAY=1;KELO_WINE_DPI=${dpi}")
  endforeach()
endif()
