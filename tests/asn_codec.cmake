# The DER codec of PLVASNObjectID checked against OpenSSL's OBJECT IDENTIFIER
# code, used here as a test-only oracle (libssl-dev).
find_package(OpenSSL REQUIRED COMPONENTS Crypto)

add_executable(asn_codec_oracle ${CMAKE_CURRENT_LIST_DIR}/asn_codec_oracle.cc)
target_link_libraries(asn_codec_oracle PRIVATE orbi_name::services
  OpenSSL::Crypto GTest::gtest GTest::gtest_main orbi_name_warnings)
gtest_discover_tests(asn_codec_oracle DISCOVERY_TIMEOUT 60)

# The OID table's entries are checked against OpenSSL's encoding of their
# dotted texts, which orbi_services_internal spells out for this build.
target_link_libraries(services_test PRIVATE OpenSSL::Crypto
  orbi_services_internal)
