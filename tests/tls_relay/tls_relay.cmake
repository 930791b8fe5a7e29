# The TLS front of the tests' loopback server: the native relay program and
# the certificates it serves, made at build time with the openssl command.
# In a Windows build the relay is still a native program (Wine's Schannel has
# no server side), built with the machine's own compiler; so it is in the
# 32-bit Linux build, whose tests talk to it only over loopback. Sets TL_TLS_RELAY
# and TL_TLS_DIR in the including scope (every time) and the targets tls_relay
# and tls_certs (once).
set(TL_TLS_DIR ${CMAKE_BINARY_DIR}/tls)
set(TL_TLS_RELAY ${TL_TLS_DIR}/tls_relay)
if(TARGET tls_relay)
  return()
endif()
find_program(TL_OPENSSL_COMMAND openssl REQUIRED)
set(tls_certs ${TL_TLS_DIR}/ca.pem ${TL_TLS_DIR}/localhost.pem ${TL_TLS_DIR}/localhost.key
              ${TL_TLS_DIR}/untrusted.pem ${TL_TLS_DIR}/untrusted.key)
add_custom_command(OUTPUT ${tls_certs}
  COMMAND ${CMAKE_COMMAND} -E env OPENSSL=${TL_OPENSSL_COMMAND}
          sh ${CMAKE_CURRENT_LIST_DIR}/make_certs.sh ${TL_TLS_DIR}
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/make_certs.sh
  COMMENT "Test certificates")
add_custom_target(tls_certs DEPENDS ${tls_certs})

set(relay_source ${CMAKE_CURRENT_LIST_DIR}/tls_relay.cpp)
if(WIN32 OR TL_BUILD STREQUAL "native32")
  find_program(TL_HOST_CXX NAMES c++ g++ REQUIRED)
  add_custom_command(OUTPUT ${TL_TLS_RELAY}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${TL_TLS_DIR}
    COMMAND ${TL_HOST_CXX} -std=c++17 -O1 -Wall -Wextra -o ${TL_TLS_RELAY} ${relay_source}
            -lssl -lcrypto
    DEPENDS ${relay_source}
    COMMENT "Native TLS relay for the cross-built tests")
  add_custom_target(tls_relay DEPENDS ${TL_TLS_RELAY})
else()
  add_executable(tls_relay ${relay_source})
  target_link_libraries(tls_relay PRIVATE OpenSSL::SSL OpenSSL::Crypto)
  set_target_properties(tls_relay PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TL_TLS_DIR})
endif()
