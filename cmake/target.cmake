# Builds qor for another system with QOR_TARGET_TOOLCHAIN, as a build of its
# own in target/, and names the program and its emulator for the tests. The
# program lands in this build folder: qor.exe for Windows, qor elsewhere.

include(ExternalProject)

# Reads the emulator from the toolchain file; inside a function, the file's
# settings stay local and do not switch this build's compiler.
function(qor_read_toolchain file)
  include(${file})
  set(qor_launcher "${CMAKE_CROSSCOMPILING_EMULATOR}" PARENT_SCOPE)
  if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
    set(qor_windows ON PARENT_SCOPE)
    set(qor_suffix .exe PARENT_SCOPE)
  else()
    set(qor_windows OFF PARENT_SCOPE)
    set(qor_suffix "" PARENT_SCOPE)
  endif()
endfunction()

get_filename_component(qor_toolchain ${QOR_TARGET_TOOLCHAIN} ABSOLUTE
                       BASE_DIR ${CMAKE_SOURCE_DIR})
qor_read_toolchain(${qor_toolchain})

ExternalProject_Add(
  qor-target
  SOURCE_DIR ${CMAKE_SOURCE_DIR}
  BINARY_DIR ${CMAKE_BINARY_DIR}/target
  CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${qor_toolchain}
             -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
             -DCMAKE_RUNTIME_OUTPUT_DIRECTORY=${CMAKE_BINARY_DIR}
             -DBUILD_TESTING=OFF
             -DQOR_WERROR=${QOR_WERROR}
             -DQOR_LTO=${QOR_LTO}
             -DQOR_CONSOLE_HELPER=${qor_windows}
  BUILD_ALWAYS ON
  INSTALL_COMMAND ""
  USES_TERMINAL_BUILD ON)

add_custom_target(qor ALL DEPENDS qor-target)
set(qor_program ${CMAKE_BINARY_DIR}/qor${qor_suffix})
set(qor_console_helper ${CMAKE_BINARY_DIR}/console-helper${qor_suffix})
