# Shared helpers of the build: warnings, one library per source folder, one test per tst_*.cpp.

function(pelnix_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wno-missing-field-initializers)
  if(PELNIX_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# pelnix_library(<target> [DIRS dir...] [RECURSE] LIBS ...): one layer of the library, every .cpp/.h in the
# listed folders (the current folder when none is given). The sources compile once, as the object library
# <target>_objects, whose usage requirements follow the layers it names (a layer sees only the headers of
# what it links: core code cannot include widgets). Their code lives in the one shared library Pelnix;
# <target> itself is the name programs link to get Pelnix with that layer's usage requirements.
function(pelnix_library target)
  cmake_parse_arguments(ARG "RECURSE" "" "DIRS;LIBS" ${ARGN})
  if(NOT ARG_DIRS)
    set(ARG_DIRS ${CMAKE_CURRENT_SOURCE_DIR})
  endif()
  set(sources)
  foreach(dir ${ARG_DIRS})
    if(ARG_RECURSE)
      file(GLOB_RECURSE found CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
    else()
      file(GLOB found CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
    endif()
    list(APPEND sources ${found})
  endforeach()
  set(object_libs)
  foreach(lib ${ARG_LIBS})
    if(lib MATCHES "^pelnix_")
      list(APPEND object_libs ${lib}_objects)
    else()
      list(APPEND object_libs ${lib})
    endif()
  endforeach()
  add_library(${target}_objects OBJECT ${sources})
  target_include_directories(${target}_objects PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${target}_objects PUBLIC ${object_libs})
  pelnix_warnings(${target}_objects)
  add_library(${target} INTERFACE)
  target_link_libraries(${target} INTERFACE Pelnix ${ARG_LIBS})
  set_property(GLOBAL APPEND PROPERTY PELNIX_LAYERS ${target}_objects)
endfunction()

# pelnix_support_library(<target> LIBS ...): a shared library of the current folder that is not part of
# the shipped library (test doubles), linked against Pelnix.
function(pelnix_support_library target)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  add_library(${target} SHARED ${sources})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${target} PUBLIC ${ARG_LIBS})
  pelnix_warnings(${target})
endfunction()

# pelnix_tests(LIBS ...): every tst_*.cpp of the current folder becomes one QtTest program and one CTest test.
function(pelnix_tests)
  cmake_parse_arguments(ARG "" "" "LIBS;SUPPORT;LABELS" ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tst_*.cpp)
  foreach(src ${tests})
    get_filename_component(name ${src} NAME_WE)
    get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
    set(target ${folder}_${name})
    add_executable(${target} ${src} ${ARG_SUPPORT})
    target_link_libraries(${target} PRIVATE Qt6::Test pelnix_testsupport ${ARG_LIBS})
    # Smart messages render in the transform worker program, PDF pages in the document worker, media
    # files are read in the media worker.
    add_dependencies(${target} pelnix-xslt-worker pelnix-document-worker pelnix-media-worker)
    pelnix_warnings(${target})
    add_test(NAME ${folder}.${name} COMMAND ${target})
    set_tests_properties(${folder}.${name} PROPERTIES
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QTWEBENGINE_DISABLE_SANDBOX=1;PELNIX_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
      TIMEOUT 600)
    if(ARG_LABELS)
      set_tests_properties(${folder}.${name} PROPERTIES LABELS "${ARG_LABELS}")
    endif()
  endforeach()
endfunction()
