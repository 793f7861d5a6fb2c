# Linux on s390x, big-endian.
set(qor_cross_arch s390x)
include(${CMAKE_CURRENT_LIST_DIR}/linux-gnu-cross.cmake)
