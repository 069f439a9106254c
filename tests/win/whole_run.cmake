# The whole cleaning run of pemvolt end to end, on the NT family and in 9x mode, each in a
# throw-away prefix. It uses the sweep's fixture maker and the network repair's stand-ins.
add_executable(file_holder ${CMAKE_CURRENT_LIST_DIR}/file_holder.cpp)

# The program as delivered, but carrying the stand-in library payload, so that the run's
# library step has something to write.
add_executable(pemvolt_standin_library ${CMAKE_SOURCE_DIR}/worm_cleaner/main.cpp
               ${CLEANER_SIGNATURES_RC} ${CMAKE_CURRENT_BINARY_DIR}/standin_payload.rc)
target_link_libraries(pemvolt_standin_library PRIVATE cleaner_core)

add_test(NAME e2e_whole_run
    COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/e2e/test_whole_run.py
            $<TARGET_FILE:pemvolt> $<TARGET_FILE:sweep_probe> $<TARGET_FILE:file_holder>
            ${STANDIN_DIR} "${PEMVOLT_RICHED20}"
            $<TARGET_FILE:pemvolt_standin_library> ${STANDIN_PAYLOAD})
set_tests_properties(e2e_whole_run PROPERTIES ENVIRONMENT "BUILD_ROOT=${CMAKE_BINARY_DIR}/.."
                                              TIMEOUT 900)
