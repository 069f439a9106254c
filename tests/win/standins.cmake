# Stand-ins for what the test machine lacks, shared by the repair tests and the whole run:
# a made-up rich-edit library payload, a "net" command and an svrapi.dll.

# A made-up payload for resource 103, only ever embedded in test programs. Its bytes include
# NUL, Ctrl+Z and CR LF so that any text-mode handling of the write would show.
set(STANDIN_PAYLOAD ${CMAKE_CURRENT_BINARY_DIR}/standin_riched20.bin)
if(NOT EXISTS ${STANDIN_PAYLOAD})
    execute_process(COMMAND python3 -c
        "import sys; data = bytes((i * 7 + i // 251) % 256 for i in range(70001)) + b'\\x00\\x1a\\r\\n\\n\\r'; open(sys.argv[1], 'wb').write(data)"
        ${STANDIN_PAYLOAD} COMMAND_ERROR_IS_FATAL ANY)
endif()
set(STANDIN_PAYLOAD_RC ${CMAKE_CURRENT_BINARY_DIR}/standin_payload.rc)
file(WRITE ${STANDIN_PAYLOAD_RC} "103 RCDATA \"${STANDIN_PAYLOAD}\"\n")

# The helpers land in standin/; a program that needs them next to it is put there too.
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
