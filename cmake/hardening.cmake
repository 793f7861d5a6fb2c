# The hardening that Debian gives its own programs, each flag only where the
# compiler and linker take it, so that other toolchains still build qor.

# Each is tried on a function that it changes, compiled and linked, since
# some toolchains (MinGW) need a library of their own for it at link time.
foreach(flag -fstack-protector-strong -fstack-clash-protection)
  string(MAKE_C_IDENTIFIER "qor_has${flag}" known)
  set(CMAKE_REQUIRED_FLAGS ${flag})
  set(CMAKE_REQUIRED_LINK_OPTIONS ${flag})
  check_cxx_source_compiles(
    "void fill(char*); int main() { char b[4096]; fill(b); return b[0]; }
     void fill(char* b) { b[0] = 0; }"
    ${known})
  unset(CMAKE_REQUIRED_FLAGS)
  unset(CMAKE_REQUIRED_LINK_OPTIONS)
  if(${known})
    target_compile_options(qor PRIVATE ${flag})
    target_link_options(qor PRIVATE ${flag})
  endif()
endforeach()

if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64|i.86)$")
  check_cxx_compiler_flag(-fcf-protection qor_has_cf_protection)
  if(qor_has_cf_protection)
    target_compile_options(qor PRIVATE -fcf-protection)
  endif()
endif()

# Level 3 needs a compiler that knows dynamic object sizes; it only works
# when optimising.
check_cxx_source_compiles(
  "int main(int argc, char**) { char b[4]; return __builtin_dynamic_object_size(b + argc, 0) != 0; }"
  qor_has_dynamic_object_size)
if(qor_has_dynamic_object_size)
  set(qor_fortify 3)
else()
  set(qor_fortify 2)
endif()
if(NOT WIN32)
  target_compile_options(
    qor PRIVATE
    $<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=${qor_fortify}>)
endif()

if(QOR_STATIC)
  check_linker_flag(CXX -static-pie qor_has_static_pie)
  if(NOT qor_has_static_pie)
    message(FATAL_ERROR "QOR_STATIC: this toolchain cannot link a static "
                        "position-independent program (-static-pie)")
  endif()
  # By hand: the position-independent property would add -pie after it.
  target_compile_options(qor PRIVATE -fPIE)
  target_link_options(qor PRIVATE -static-pie)
else()
  set_target_properties(qor PROPERTIES POSITION_INDEPENDENT_CODE ON)
  include(CheckPIESupported)
  check_pie_supported(LANGUAGES CXX)
endif()

# Full RELRO, and no link to a library that nothing uses (libstdc++, libm).
foreach(flag -Wl,-z,relro -Wl,-z,now -Wl,--as-needed)
  string(MAKE_C_IDENTIFIER "qor_has${flag}" known)
  check_linker_flag(CXX ${flag} ${known})
  if(${known})
    target_link_options(qor PRIVATE ${flag})
  endif()
endforeach()

# MinGW's runtime goes inside qor.exe, so that it needs only the DLLs that
# every Windows has.
if(MINGW)
  target_link_options(qor PRIVATE -static)
endif()
