# The floors check on a small tree with three climbing includes, and nothing
# else wrong: it must fail, name each with its line and rule, and let the
# includes that keep to the floors pass.
cmake_minimum_required(VERSION 3.25)

execute_process(
    COMMAND ${CMAKE_COMMAND} -DSRC=${CMAKE_CURRENT_LIST_DIR}/climbing/src
            -P ${CMAKE_CURRENT_LIST_DIR}/../../cmake/check_floors.cmake
    RESULT_VARIABLE result
    OUTPUT_VARIABLE output
    ERROR_VARIABLE output)

set(expected
    "src/output/layouts.cpp:4 includes ui/artwork.h: output (floor 2) may not use ui (floor 3)\n"
    "src/products/card.cpp:2 includes suppliers/card.h: products (floor 4) may not use suppliers (floor 4, listed after it)\n"
    "src/search/lines.cpp:2 includes ../app/menu.h: search (floor 2) may not use app (floor 5)\n"
    "  2. search, output, invoices\n"
    "floors: 3 problem(s) in 13 files")
set(failures)
if(result EQUAL 0)
    list(APPEND failures "the check passed")
endif()
foreach(line IN LISTS expected)
    string(FIND "${output}" "${line}" at)
    if(at EQUAL -1)
        list(APPEND failures "missing: ${line}")
    endif()
endforeach()
if(failures)
    string(REPLACE ";" "\n" failures "${failures}")
    message(FATAL_ERROR "${failures}\n--- the check said:\n${output}")
endif()
