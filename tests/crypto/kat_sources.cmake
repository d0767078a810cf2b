# Known-answer tests of the crypto core, built by the native and the wine trees
# alike: the Windows build must compute the same bytes.
set(kovara_crypto_kat_sources
  ${CMAKE_CURRENT_LIST_DIR}/aes_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/blowfish_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/derive_key_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/digest_text_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/hash_test.cpp)
