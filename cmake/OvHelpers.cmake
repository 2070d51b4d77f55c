# ov_add_library(NAME DEPS...): the static library of one subsystem folder, from every .cpp and .h
# in that folder.
function(ov_add_library name)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  list(FILTER sources INCLUDE REGEX "\\.cpp$")
  if(NOT sources)
    # A folder with headers only so far: an interface library keeps its users linking.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARGN})
    return()
  endif()
  file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  add_library(${name} STATIC ${sources} ${headers})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARGN} ov_sanitize PRIVATE ov_warnings)
endfunction()

# ov_add_qtests(LABEL LIBS...): one QtTest executable for every tst_*.cpp in the current folder,
# registered with CTest under the folder's label and run on the offscreen platform.
function(ov_add_qtests label)
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tst_*.cpp)
  file(GLOB helpers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/helper_*.cpp
       ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  foreach(src ${tests})
    get_filename_component(base ${src} NAME_WE)
    set(target ${label}_${base})
    add_executable(${target} ${src} ${helpers})
    target_link_libraries(${target} PRIVATE ${ARGN} Qt6::Test ov_warnings ov_sanitize)
    target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
    target_compile_definitions(${target} PRIVATE
      OV_CORPUS_DIR="${OV_CORPUS_DIR}" OV_BIN_DIR="${CMAKE_BINARY_DIR}/bin"
      OV_SOURCE_DIR="${CMAKE_SOURCE_DIR}" OV_BUILD_DIR="${CMAKE_BINARY_DIR}")
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    add_test(NAME ${target} COMMAND ${target})
    set_tests_properties(${target} PROPERTIES LABELS ${label}
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_LOGGING_RULES=qt.qpa.*=false")
  endforeach()
endfunction()

# ov_add_benchmark(NAME SOURCE LIBS...): a Google Benchmark program, built but not run by CTest.
function(ov_add_benchmark name src)
  find_package(benchmark REQUIRED)
  add_executable(${name} ${src})
  target_link_libraries(${name} PRIVATE ${ARGN} benchmark::benchmark ov_warnings)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_definitions(${name} PRIVATE OV_CORPUS_DIR="${OV_CORPUS_DIR}"
    OV_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endfunction()
