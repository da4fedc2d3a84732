# Third-party libraries, all from Debian packages (see scripts/install-deps).
# Each is found once here so that subsystems only link the imported targets.
find_package(ZLIB REQUIRED)
find_package(PNG REQUIRED)
find_package(CURL REQUIRED)
find_package(LibXml2 REQUIRED)
find_package(SQLite3 REQUIRED)
pkg_check_modules(LIBXSLT REQUIRED IMPORTED_TARGET libxslt libexslt)
# Intel ISA-L: the fast deflate and inflate of the folder archives.
pkg_check_modules(ISAL REQUIRED IMPORTED_TARGET libisal)

# cpp-httplib: Debian ships the header and a compiled library built with TLS and
# compression support; its pkg-config file carries the matching defines.
pkg_check_modules(HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
add_library(corvane_httplib INTERFACE)
target_link_libraries(corvane_httplib INTERFACE PkgConfig::HTTPLIB Threads::Threads)
