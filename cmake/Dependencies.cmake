find_package(PkgConfig REQUIRED)
pkg_check_modules(LUA51 REQUIRED IMPORTED_TARGET lua5.1)
find_package(ICU REQUIRED COMPONENTS uc data)
find_package(ZLIB REQUIRED)
# Whole-buffer deflate, inflate and CRC-32 of the parts held in memory.
pkg_check_modules(LIBDEFLATE REQUIRED IMPORTED_TARGET libdeflate)
find_package(LibXml2 REQUIRED)
find_package(Boost REQUIRED COMPONENTS filesystem)
find_path(SPARSEHASH_INCLUDE_DIR google/sparse_hash_map REQUIRED)
find_package(Python3 REQUIRED COMPONENTS Interpreter)
if(CELVO_TESTS)
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()
# Independent readers in tests must run under the system python3 (Debian's
# python3-xlrd, python3-openpyxl, python3-olefile), never a pyenv interpreter.
set(CELVO_SYSTEM_PYTHON /usr/bin/python3 CACHE FILEPATH "System python3 with the reader packages")
find_program(CELVO_LUA lua5.1 REQUIRED)
