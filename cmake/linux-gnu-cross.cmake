# Cross build for Linux on the processor that qor_cross_arch names, with
# Debian's ${qor_cross_arch}-linux-gnu g++; the built program runs here under
# qemu-user with the target's libraries. Included by the toolchain file of
# each processor.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ${qor_cross_arch})
set(CMAKE_CXX_COMPILER ${qor_cross_arch}-linux-gnu-g++)
set(CMAKE_FIND_ROOT_PATH /usr/${qor_cross_arch}-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-${qor_cross_arch} -L
                                  /usr/${qor_cross_arch}-linux-gnu)
