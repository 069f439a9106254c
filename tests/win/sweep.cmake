# Drive sweep and temporary folder cleanup: Windows-side tests in the shared prefix, and
# end-to-end tests on whole drives and links, each in a prefix of its own.
add_library(sweep_support STATIC ${CMAKE_CURRENT_LIST_DIR}/sweep_support.cpp)
target_link_libraries(sweep_support PUBLIC cleaner_core test_common)

add_cleaner_test(sweep_tests ${CMAKE_CURRENT_LIST_DIR}/test_sweep.cpp)
target_link_libraries(sweep_tests PRIVATE sweep_support)
add_cleaner_test(temp_cleanup_tests ${CMAKE_CURRENT_LIST_DIR}/test_temp_cleanup.cpp)
target_link_libraries(temp_cleanup_tests PRIVATE sweep_support)

# The sweep and the cleanup by themselves, on folders or every fixed drive, and the
# fixture files, for the end-to-end scripts.
add_executable(sweep_probe ${CMAKE_CURRENT_LIST_DIR}/sweep_probe.cpp ${CLEANER_SIGNATURES_RC})
target_link_libraries(sweep_probe PRIVATE cleaner_core test_common)

foreach(script test_sweep test_sweep_progress)
    add_test(NAME e2e_${script}
             COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/e2e/${script}.py $<TARGET_FILE:sweep_probe>)
endforeach()
add_test(NAME e2e_test_temp_cleanup
         COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/e2e/test_temp_cleanup.py $<TARGET_FILE:sweep_probe>
                 $<TARGET_FILE:pemvolt>)
set_tests_properties(e2e_test_sweep e2e_test_sweep_progress e2e_test_temp_cleanup PROPERTIES
                     ENVIRONMENT "BUILD_ROOT=${CMAKE_BINARY_DIR}/..")

# The sweep benchmark: built on request only (bench/run_sweep_bench.sh), never a test.
add_executable(sweep_bench EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/bench/sweep_bench.cpp
                                            ${CLEANER_SIGNATURES_RC})
target_link_libraries(sweep_bench PRIVATE cleaner_core)
