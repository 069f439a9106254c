# Tests of the rich-edit library restore and the network repair, and the helpers they need:
# a stand-in library payload, a stand-in "net" command and a stand-in svrapi.dll.

# A made-up payload for resource 103, only ever embedded in test programs. Its bytes include
# NUL, Ctrl+Z and CR LF so that any text-mode handling of the write would show.
set(STANDIN_PAYLOAD ${CMAKE_CURRENT_BINARY_DIR}/standin_riched20.bin)
if(NOT EXISTS ${STANDIN_PAYLOAD})
    execute_process(COMMAND python3 -c
        "import sys; data = bytes((i * 7 + i // 251) % 256 for i in range(70001)) + b'\\x00\\x1a\\r\\n\\n\\r'; open(sys.argv[1], 'wb').write(data)"
        ${STANDIN_PAYLOAD} COMMAND_ERROR_IS_FATAL ANY)
endif()
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/standin_payload.rc "103 RCDATA \"${STANDIN_PAYLOAD}\"\n")

add_cleaner_test(test_rich_edit test_rich_edit.cpp ${CMAKE_CURRENT_BINARY_DIR}/standin_payload.rc)
target_compile_definitions(test_rich_edit PRIVATE EXPECT_PAYLOAD=1)
add_cleaner_test(test_rich_edit_no_payload test_rich_edit.cpp)
target_compile_definitions(test_rich_edit_no_payload PRIVATE EXPECT_PAYLOAD=0)

# Helpers land in standin/; the tests copy the stand-ins into the prefix's system folder,
# where the program looks for the real ones.
set(STANDIN_DIR ${CMAKE_CURRENT_BINARY_DIR}/standin)
add_executable(standin_net standin_net.cpp)
set_target_properties(standin_net PROPERTIES OUTPUT_NAME net RUNTIME_OUTPUT_DIRECTORY ${STANDIN_DIR})
add_library(standin_svrapi SHARED standin_svrapi.cpp standin_svrapi.def)
set_target_properties(standin_svrapi PROPERTIES OUTPUT_NAME svrapi PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${STANDIN_DIR})
# Decoys: a program and a library that record it when they run or load, planted under
# the system's names where a search would find them first. They land in decoy/.
set(DECOY_DIR ${CMAKE_CURRENT_BINARY_DIR}/decoy)
add_executable(decoy_program decoy_program.cpp)
set_target_properties(decoy_program PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${DECOY_DIR})
add_library(decoy_library SHARED decoy_library.cpp)
set_target_properties(decoy_library PROPERTIES OUTPUT_NAME svrapi PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${DECOY_DIR})
add_executable(network_repair_probe network_repair_probe.cpp)
target_link_libraries(network_repair_probe PRIVATE cleaner_core)
set_target_properties(network_repair_probe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${STANDIN_DIR})

add_cleaner_test(test_network_repair test_network_repair.cpp)
add_dependencies(test_network_repair standin_net standin_svrapi)
target_compile_definitions(test_network_repair PRIVATE
    STANDIN_NET="$<TARGET_FILE:standin_net>" STANDIN_SVRAPI="$<TARGET_FILE:standin_svrapi>")
# The test loads the stand-in by path and runs the stand-in net from the system folder;
# Wine must not put its own svrapi or net in their place.
set_tests_properties(test_network_repair PROPERTIES ENVIRONMENT "WINEDLLOVERRIDES=svrapi,net.exe=n")

add_test(NAME e2e_network_repair
    COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/e2e/test_network_repair.py ${STANDIN_DIR} ${DECOY_DIR})
add_test(NAME e2e_rich_edit_9x
    COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/e2e/test_rich_edit_9x.py $<TARGET_FILE:test_rich_edit>)
# The prefixes of these runs go into this build tree.
set_tests_properties(e2e_network_repair e2e_rich_edit_9x PROPERTIES
    ENVIRONMENT "BUILD_ROOT=${CMAKE_BINARY_DIR}/..")
