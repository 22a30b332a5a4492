# Makes the release .deb, checks its metadata and contents, extracts it into a fresh root and
# builds programs of one's own against it, as a user of the library would: examples/consumer with
# find_package (the static libraries and the shared one), examples/minimal with pkg-config, both
# run headless; and examples/consumer configured with KeloScroll's sources beside it
# (add_subdirectory), which must not ask for the test tools.
# Variables: BUILD_DIR SOURCE_DIR WORK_DIR GENERATOR CXX CPACK LIBDIR WINDOW SANITIZE_FLAGS
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE ${WORK_DIR})

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    string(REPLACE ";" " " command "${ARGN}")
    message(FATAL_ERROR "failed (${rc}): ${command}\n${out}\n${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

function(expect text what)
  if(NOT out MATCHES "${text}")
    message(FATAL_ERROR "${what}: expected \"${text}\" in:\n${out}")
  endif()
endfunction()

# The package, as `--target package` makes it (the .deb only: the tarball holds the same files).
run(${CPACK} -G DEB -B ${WORK_DIR}/package --config ${BUILD_DIR}/CPackConfig.cmake)
file(GLOB deb ${WORK_DIR}/package/keloscroll_*.deb)
if(NOT deb)
  message(FATAL_ERROR "no .deb in ${WORK_DIR}/package")
endif()
run(dpkg-deb --info ${deb})
expect("Package: keloscroll\n" "the package's name")
expect("Version: 21.0" "its version")
# Dependencies from the libraries the shared objects link.
expect("Depends:[^\n]*libcairo2" "its dependencies")
expect("Description: A scroll-bar control[^\n]*\n [^\n]*thumb" "its description")
run(dpkg-deb --contents ${deb})
foreach(file usr/bin/keloscroll-demo usr/bin/keloscroll-run usr/share/man/man1/keloscroll-demo.1
        usr/share/man/man1/keloscroll-run.1 usr/share/doc/KeloScroll/LICENSE
        usr/${LIBDIR}/pkgconfig/keloscroll.pc)
  expect(" \\./${file}\n" "the package's contents")
endforeach()
run(dpkg-deb -x ${deb} ${WORK_DIR}/root)
set(prefix ${WORK_DIR}/root/usr)

set(installed
  include/keloscroll/ScrollBar.h include/keloscroll/host/variant.h
  include/keloscroll/control/UsrKeloScroll.h include/keloscroll/server/linux/exports.h
  ${LIBDIR}/libkeloscroll.so ${LIBDIR}/libkeloscroll_control.a ${LIBDIR}/libkeloscroll_host.a
  ${LIBDIR}/keloscroll/libKeloScroll.so ${LIBDIR}/cmake/KeloScroll/KeloScrollConfig.cmake
  ${LIBDIR}/pkgconfig/keloscroll.pc bin/keloscroll-run bin/keloscroll-demo
  share/doc/KeloScroll/LICENSE share/doc/KeloScroll/using.md share/keloscroll/sample.txt
  share/man/man1/keloscroll-demo.1 share/man/man1/keloscroll-run.1)
foreach(file IN LISTS installed)
  if(NOT EXISTS ${prefix}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
if(EXISTS ${prefix}/include/keloscroll/host/win OR EXISTS ${prefix}/${LIBDIR}/libgtest.a)
  message(FATAL_ERROR "installed what is not the library's")
endif()

# The unpacked demo finds its sample and its component library beside it, not in the build: the
# form it saves names the one, the registry it writes the other.
set(ENV{KELO_REGISTRY} ${WORK_DIR}/registry.json)
run(${prefix}/bin/keloscroll-demo --headless --shots ${WORK_DIR}/demo-shots)
file(READ ${WORK_DIR}/demo-shots/session-form.json out)
expect("\"${prefix}/share/keloscroll/sample.txt\"" "the installed demo's form")
file(READ ${WORK_DIR}/registry.json out)
expect("\"${prefix}/${LIBDIR}/keloscroll/libKeloScroll.so\"" "the registry the installed demo wrote")
unset(ENV{KELO_REGISTRY})
run(ldd ${prefix}/${LIBDIR}/keloscroll/libKeloScroll.so)
expect("libkeloscroll.so.21 => ${prefix}/${LIBDIR}/" "the installed component library's libraries")

# find_package: the same program on the static libraries and on libkeloscroll.so.
set(flags)
if(SANITIZE_FLAGS)
  set(flags "-DCMAKE_CXX_FLAGS=${SANITIZE_FLAGS}")
endif()
run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/examples/consumer -B ${WORK_DIR}/consumer -G ${GENERATOR}
    -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH=${prefix} ${flags})
run(${CMAKE_COMMAND} --build ${WORK_DIR}/consumer)
foreach(program keloscroll-consumer keloscroll-consumer-shared)
  run(${WORK_DIR}/consumer/${program} ${WORK_DIR}/${program}.png)
  expect("after three pages: value 61, first row shown 61, tooltip \"row 61\"\nrestored: value 61 of 200\nok"
         ${program})
  if(NOT EXISTS ${WORK_DIR}/${program}.png)
    message(FATAL_ERROR "${program} wrote no PNG")
  endif()
endforeach()
run(ldd ${WORK_DIR}/consumer/keloscroll-consumer-shared)
expect("libkeloscroll.so.21 => ${prefix}" "the shared program's libraries")

# pkg-config: a compiler command line and nothing else.
set(ENV{PKG_CONFIG_PATH} ${prefix}/${LIBDIR}/pkgconfig)
run(pkg-config --modversion keloscroll)
expect("^21.0" "pkg-config's version")
run(pkg-config --cflags --libs keloscroll)
separate_arguments(pc_flags UNIX_COMMAND "${out}")
separate_arguments(sanitize UNIX_COMMAND "${SANITIZE_FLAGS}")
if(WINDOW)
  set(source ${SOURCE_DIR}/examples/minimal/main.cpp)
  set(expected "wrote ${WORK_DIR}/minimal.png")
else()
  set(source ${SOURCE_DIR}/examples/consumer/main.cpp)
  set(expected "ok")
endif()
run(${CXX} -std=c++20 ${sanitize} -o ${WORK_DIR}/minimal ${source} ${pc_flags}
    -Wl,-rpath,${prefix}/${LIBDIR})
run(${WORK_DIR}/minimal --png ${WORK_DIR}/minimal.png)
# A C++17 build stops at the first header with what it needs.
execute_process(COMMAND ${CXX} -std=c++17 -fsyntax-only ${source} ${pc_flags}
                RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_QUIET)
string(REGEX MATCH "error:[^\n]*" first_error "${err}")
if(rc EQUAL 0 OR NOT first_error MATCHES "KeloScroll needs C\\+\\+20")
  message(FATAL_ERROR "a C++17 build's first error is not \"KeloScroll needs C++20\":\n${err}")
endif()
expect("${expected}" "the pkg-config build")
if(WINDOW)
  file(READ ${WORK_DIR}/minimal.png head LIMIT 24 HEX)
  # The PNG signature, then the header's width and height: 320 x 240.
  if(NOT head MATCHES "^89504e470d0a1a0a0000000d4948445200000140000000f0")
    message(FATAL_ERROR "minimal.png is not a 320 x 240 PNG: ${head}")
  endif()
endif()

# add_subdirectory: configured only (the build above is the same code); no GoogleTest asked for.
run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/examples/consumer -B ${WORK_DIR}/consumer-sources
    -G ${GENERATOR} -DCMAKE_CXX_COMPILER=${CXX} -DKELOSCROLL_SOURCE_DIR=${SOURCE_DIR})
file(STRINGS ${WORK_DIR}/consumer-sources/CMakeCache.txt cache REGEX "^(KELO_TESTS|GTest_DIR)")
if(NOT cache STREQUAL "KELO_TESTS:BOOL=OFF")
  message(FATAL_ERROR "a project that includes KeloScroll's sources got: ${cache}")
endif()
message(STATUS "packaged, unpacked, and built against: ok")
