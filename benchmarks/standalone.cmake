# Given as CMAKE_PROJECT_INCLUDE by run.sh: adds the benchmark to a build
# whose top-level list does not add this folder itself.
function(add_benchmarks_once)
    if(NOT TARGET avicapture_bench)
        include(${CMAKE_SOURCE_DIR}/benchmarks/CMakeLists.txt)
    endif()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL add_benchmarks_once)
