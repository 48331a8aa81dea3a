# libcurl for the network transport. Linux links Debian's libcurl4-openssl-dev.
# The Windows builds link a static libcurl made once per build folder from
# Debian's curl source package (build/curl-source, which
# scripts/install-deps.sh fetches), for this build's compiler, with Schannel
# for TLS (the system's TLS and certificate store: no OpenSSL to ship) and
# nothing but SMTP and HTTP(S), the form POST's.
# Defines the target j6_libcurl.
if(NOT WIN32)
  find_package(CURL REQUIRED)
  add_library(j6_libcurl INTERFACE)
  target_link_libraries(j6_libcurl INTERFACE CURL::libcurl)
  return()
endif()

set(J6_CURL_SOURCE ${PROJECT_SOURCE_DIR}/build/curl-source)
if(NOT EXISTS ${J6_CURL_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "No curl source in ${J6_CURL_SOURCE}: the Windows builds make their "
                      "libcurl from Debian's curl source package, which "
                      "scripts/install-deps.sh fetches there (run it as root).")
endif()

include(ExternalProject)
set(curl_prefix ${CMAKE_BINARY_DIR}/curl)
set(curl_library ${curl_prefix}/build/lib/libcurl.a)
set(curl_off)
foreach(feature ALTSVC COOKIES DICT DOH FILE FTP GOPHER HSTS IMAP LDAP LDAPS MQTT POP3 RTSP SMB
        TELNET TFTP)
  list(APPEND curl_off -DCURL_DISABLE_${feature}=ON)
endforeach()
ExternalProject_Add(curl_static
  SOURCE_DIR ${J6_CURL_SOURCE}
  BINARY_DIR ${curl_prefix}/build
  CMAKE_GENERATOR ${CMAKE_GENERATOR}
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
    -DCMAKE_BUILD_TYPE=Release
    -DBUILD_SHARED_LIBS=OFF -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF -DENABLE_MANUAL=OFF
    -DCURL_ENABLE_EXPORT_TARGET=OFF -DPICKY_COMPILER=OFF
    -DCURL_USE_SCHANNEL=ON -DCURL_USE_OPENSSL=OFF -DCURL_CA_BUNDLE=none -DCURL_CA_PATH=none
    -DCURL_ZLIB=OFF -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DUSE_NGHTTP2=OFF -DUSE_LIBIDN2=OFF
    -DUSE_WIN32_IDN=OFF -DCURL_USE_LIBSSH2=OFF -DCURL_USE_LIBSSH=OFF -DCURL_USE_LIBPSL=OFF
    -DCURL_USE_GSSAPI=OFF -DENABLE_UNIX_SOCKETS=OFF
    ${curl_off}
  BUILD_BYPRODUCTS ${curl_library}
  # The library is taken from its build folder, its headers from the source.
  UPDATE_COMMAND "" INSTALL_COMMAND ""
  LOG_CONFIGURE ON LOG_BUILD ON LOG_OUTPUT_ON_FAILURE ON)

add_library(j6_libcurl STATIC IMPORTED GLOBAL)
set_target_properties(j6_libcurl PROPERTIES
  IMPORTED_LOCATION ${curl_library}
  INTERFACE_INCLUDE_DIRECTORIES ${J6_CURL_SOURCE}/include
  INTERFACE_COMPILE_DEFINITIONS CURL_STATICLIB
  # What the static library needs from Windows itself.
  INTERFACE_LINK_LIBRARIES "ws2_32;crypt32;bcrypt;secur32;advapi32")
add_dependencies(j6_libcurl curl_static)
