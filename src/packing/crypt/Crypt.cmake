# crypt, the companion encryptor of the default encryptor definitions. It is installed beside the
# program, where the launcher looks for bare program names first.
find_package(OpenSSL 3.0 REQUIRED COMPONENTS Crypto)
add_executable(crypt ${CMAKE_CURRENT_LIST_DIR}/CryptMain.cpp)
target_link_libraries(crypt PRIVATE OpenSSL::Crypto)
install(TARGETS crypt RUNTIME DESTINATION bin)

# The tests run it by its path, or find it through PATH in the folder the build puts it in.
foreach(test_target test_packing test_engine test_ui)
  if(TARGET ${test_target})
    add_dependencies(${test_target} crypt)
    target_compile_definitions(${test_target} PRIVATE TARNOVEX_CRYPT_FOLDER="$<TARGET_FILE_DIR:crypt>/")
  endif()
endforeach()

# Without sanitizer instrumentation even in sanitizer builds: the key derivation allocates on every
# round inside libcrypto, which the sanitizer's allocator slows down tenfold, and the tests run crypt
# many times. Its own code is small and is checked under the sanitizers by hand.
target_compile_options(crypt PRIVATE -fno-sanitize=all)
target_link_options(crypt PRIVATE -fno-sanitize=all)
