# The GDI painter against the Cairo painter's reference images (made by the Linux build's
# painter_reference_test). Wine sees the build machine's root as drive Z:.
kelo_test(gdi_painter_test gdi_painter_test.cpp)
target_link_libraries(gdi_painter_test PRIVATE keloscroll_control)
target_include_directories(gdi_painter_test PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_definitions(gdi_painter_test PRIVATE
  KELO_REFERENCE_DIR="Z:${CMAKE_CURRENT_SOURCE_DIR}/reference")
