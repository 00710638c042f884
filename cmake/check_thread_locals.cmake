# Fails when a thread_local in src/ is anything but a scalar or a pointer.
# mingw's threads may run a thread_local's destructor after its storage is
# gone, so a vector or a string there crashes the Windows build now and then
# as a thread ends. Run by CTest as the test `thread_locals`; by hand:
#   cmake -DSRC=src -P cmake/check_thread_locals.cmake
cmake_minimum_required(VERSION 3.25)
if(NOT SRC)
    get_filename_component(SRC "${CMAKE_CURRENT_LIST_DIR}/../src" ABSOLUTE)
endif()
get_filename_component(SRC "${SRC}" ABSOLUTE)
file(GLOB_RECURSE sources "${SRC}/*.cpp" "${SRC}/*.h")
set(bad "")
foreach(source IN LISTS sources)
    file(STRINGS "${source}" lines REGEX "thread_local")
    foreach(line IN LISTS lines)
        string(REGEX REPLACE "//.*" "" code "${line}")
        if(NOT code MATCHES "thread_local")
            continue()
        endif()
        # bool, int, char, sizes and pointers of any type, const or not.
        if(code MATCHES "thread_local[ \t]+(static[ \t]+)?(const[ \t]+)?(bool|char|int|unsigned|long|qint64|quint64|size_t|double)[ \t]"
           OR code MATCHES "thread_local[^=;(]*\\*[ \t]*(const[ \t]+)?[A-Za-z_][A-Za-z_0-9]*[ \t]*(=|;)")
            continue()
        endif()
        file(RELATIVE_PATH shown "${SRC}" "${source}")
        string(STRIP "${line}" line)
        string(APPEND bad "\n  ${shown}: ${line}")
    endforeach()
endforeach()
if(bad)
    message(FATAL_ERROR "A thread_local must be a scalar or a pointer:${bad}")
endif()
