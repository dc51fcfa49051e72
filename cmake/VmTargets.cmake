# Helpers shared by every folder. A folder's sources are its *.cpp/*.h files, so adding a
# class means adding its two files; nothing else needs to be listed.

# vm_add_library(NAME [PUBLIC_LIBS ...] [PRIVATE_LIBS ...])
# One static library from the *.cpp and *.h files of the calling folder.
function(vm_add_library name)
  cmake_parse_arguments(ARG "" "" "PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
       "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/*.h")
  # main.cpp is the folder's executable, never part of its library.
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  if(NOT sources)
    # A folder whose classes come in a later change still gets its target, so the layers
    # can link it now.
    set(sources "${PROJECT_SOURCE_DIR}/cmake/empty.cpp")
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC "${CMAKE_CURRENT_SOURCE_DIR}")
  target_link_libraries(${name} PUBLIC ${ARG_PUBLIC_LIBS} PRIVATE ${ARG_PRIVATE_LIBS})
  target_compile_definitions(${name} PRIVATE QT_NO_FOREACH QT_NO_CAST_FROM_BYTEARRAY)
endfunction()

# vm_add_tests(LIBS ... [WIDGETS])
# One test program per tst_*.cpp in the calling folder, each registered with CTest and run on
# the offscreen platform with its own temporary HOME so it never touches the user's settings.
# Test programs link GoogleTest and a main that creates a QGuiApplication (QApplication with
# WIDGETS), so fonts, images and painting work without a display.
function(vm_add_tests)
  cmake_parse_arguments(ARG "WIDGETS" "" "LIBS" ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/tst_*.cpp")
  file(GLOB helpers CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/helper_*.cpp"
       "${CMAKE_CURRENT_SOURCE_DIR}/helper_*.h")
  file(RELATIVE_PATH rel "${PROJECT_SOURCE_DIR}/tests" "${CMAKE_CURRENT_SOURCE_DIR}")
  string(REPLACE "/" "_" prefix "${rel}")
  if(ARG_WIDGETS)
    set(main vm_test_main_widgets)
  else()
    set(main vm_test_main_gui)
  endif()
  foreach(test_source IN LISTS tests)
    get_filename_component(base "${test_source}" NAME_WE)
    set(target "${prefix}_${base}")
    add_executable(${target} "${test_source}" ${helpers})
    target_link_libraries(${target} PRIVATE ${ARG_LIBS} ${main} vm_test_support)
    target_compile_definitions(${target} PRIVATE
      VM_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}/data"
      VM_TEST_BINARY_DIR="${CMAKE_CURRENT_BINARY_DIR}")
    add_test(NAME ${target} COMMAND ${target})
    set_tests_properties(${target} PROPERTIES
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0"
      TIMEOUT 600)
  endforeach()
endfunction()
