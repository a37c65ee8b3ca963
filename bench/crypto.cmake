# Times reading the pages of the encrypted test databases with their cipher
# against reading the same pages as they are stored. Run by hand:
# build/ravelin-bench-crypto [ROWS]; then the export of a table of ROWS rows
# (100,000 by default), plain and RC4-encrypted.
add_executable(ravelin-bench-crypto ${CMAKE_CURRENT_LIST_DIR}/crypto_bench.cpp)
find_package(OpenSSL REQUIRED COMPONENTS Crypto)  # the benchmark enciphers with it
target_link_libraries(ravelin-bench-crypto PRIVATE jet jet_crypto OpenSSL::Crypto)
target_compile_definitions(ravelin-bench-crypto PRIVATE RAVELIN_TESTDATA="${RAVELIN_TESTDATA}")
set_target_properties(ravelin-bench-crypto PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
