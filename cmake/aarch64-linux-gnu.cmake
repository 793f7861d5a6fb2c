# Linux on arm64 (aarch64), little-endian.
set(qor_cross_arch aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/linux-gnu-cross.cmake)
