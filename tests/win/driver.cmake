# The cleaner's driver, console dialogue and deferred file operations.
add_library(defer_test_support STATIC ${CMAKE_CURRENT_LIST_DIR}/defer_test_support.cpp)
target_link_libraries(defer_test_support PUBLIC advapi32)

add_cleaner_test(test_defer_ops ${CMAKE_CURRENT_LIST_DIR}/test_defer_ops.cpp)
target_link_libraries(test_defer_ops PRIVATE defer_test_support)
