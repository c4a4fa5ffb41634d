# Build helpers shared by every folder: libraries and tests are found by globbing, so adding a
# source file never needs an edit of a shared CMakeLists.txt.

include(${CMAKE_CURRENT_LIST_DIR}/NxSanitize.cmake)

function(nx_add_subdirectories_if_present)
  foreach(dir ${ARGN})
    if(EXISTS ${CMAKE_SOURCE_DIR}/${dir}/CMakeLists.txt)
      add_subdirectory(${CMAKE_SOURCE_DIR}/${dir} ${CMAKE_BINARY_DIR}/${dir})
    endif()
  endforeach()
endfunction()

# nx_glob_sources(VAR DIR [EXCLUDE regex...]): every .cpp/.h below DIR except tests/ folders.
function(nx_glob_sources var dir)
  cmake_parse_arguments(A "" "" "EXCLUDE" ${ARGN})
  file(GLOB_RECURSE files CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
  list(FILTER files EXCLUDE REGEX "/tests/")
  foreach(rx ${A_EXCLUDE})
    list(FILTER files EXCLUDE REGEX "${rx}")
  endforeach()
  set(${var} ${files} PARENT_SCOPE)
endfunction()

# nx_add_host_library(NAME [EXCLUDE regex...] DEPS targets...): a shared host library built from
# every source in its folder; public headers are included as <NAME/area/File.h>.
function(nx_add_host_library name)
  cmake_parse_arguments(A "" "" "EXCLUDE;DEPS" ${ARGN})
  nx_glob_sources(src ${CMAKE_CURRENT_SOURCE_DIR} EXCLUDE ${A_EXCLUDE})
  add_library(${name} SHARED ${src})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/host)
  target_link_libraries(${name} PUBLIC ${A_DEPS})
endfunction()

# nx_add_tests(DIR LIBS targets...): every *Test.cpp in DIR (recursively, inside tests/ folders)
# becomes one GoogleTest executable registered with CTest under the file's name.
function(nx_add_tests dir)
  cmake_parse_arguments(A "" "" "LIBS" ${ARGN})
  file(GLOB_RECURSE tests CONFIGURE_DEPENDS ${dir}/*Test.cpp)
  list(FILTER tests INCLUDE REGEX "/tests/")
  foreach(t ${tests})
    get_filename_component(tname ${t} NAME_WE)
    get_filename_component(tdir ${t} DIRECTORY)
    file(GLOB helpers CONFIGURE_DEPENDS ${tdir}/*.cpp ${tdir}/*.h)
    list(FILTER helpers EXCLUDE REGEX "Test\\.cpp$")
    add_executable(${tname} ${t} ${helpers})
    target_link_libraries(${tname} PRIVATE ${A_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
    target_compile_definitions(${tname} PRIVATE
      NX_SOURCE_DIR="${CMAKE_SOURCE_DIR}" NX_BINARY_DIR="${CMAKE_BINARY_DIR}")
    set_target_properties(${tname} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    add_test(NAME ${tname} COMMAND ${tname})
    set(env QT_QPA_PLATFORM=offscreen ${NX_SANITIZER_ENV})
    set_tests_properties(${tname} PROPERTIES ENVIRONMENT "${env}" TIMEOUT 300)
  endforeach()
endfunction()

# nx_add_plugin(NAME SOURCES_DIR [EXCLUDE regex...] DEPS targets...): a loadable plug-in in
# <build>/plugins. Its code is compiled once into NAME_objects (an object library that carries
# the DEPS), so tests can link the plug-in's classes without loading the library.
function(nx_add_plugin name dir)
  cmake_parse_arguments(A "" "" "EXCLUDE;DEPS" ${ARGN})
  nx_glob_sources(src ${dir} EXCLUDE ${A_EXCLUDE})
  add_library(${name}_objects OBJECT ${src})
  target_include_directories(${name}_objects PUBLIC ${CMAKE_SOURCE_DIR}/host ${dir})
  target_link_libraries(${name}_objects PUBLIC ${A_DEPS})
  add_library(${name} MODULE $<TARGET_OBJECTS:${name}_objects>)
  target_link_libraries(${name} PRIVATE ${A_DEPS})
  # Libraries linked to NAME later (target_link_libraries(NAME ...)) also reach the compilation.
  target_include_directories(${name}_objects PRIVATE $<TARGET_PROPERTY:${name},INCLUDE_DIRECTORIES>)
  target_compile_definitions(${name}_objects PRIVATE $<TARGET_PROPERTY:${name},COMPILE_DEFINITIONS>)
  set_target_properties(${name} PROPERTIES
    LIBRARY_OUTPUT_DIRECTORY ${NX_PLUGIN_OUTPUT_DIRECTORY} PREFIX "lib")
endfunction()
