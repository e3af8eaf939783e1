# torq7_discover_tests(target): the GoogleTest cases of `target`, one CTest
# test each, run under this build's Wine and labelled with it. The 32-bit
# build lists its cases when CTest starts rather than after linking, so that
# building it needs no Wine. Where this build's programs cannot run (32-bit
# code on a kernel without it), nothing is registered.
include(GoogleTest)

function(torq7_discover_tests target)
    if(NOT TORQ7_RUNS_PROGRAMS)
        return()
    endif()
    if(TORQ7_TARGET_BITS EQUAL 32)
        set(mode PRE_TEST)
    else()
        set(mode POST_BUILD)
    endif()
    gtest_discover_tests(${target}
        WORKING_DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
        DISCOVERY_TIMEOUT 60
        DISCOVERY_MODE ${mode}
        PROPERTIES TIMEOUT 120 LABELS wine${TORQ7_TARGET_BITS})
endfunction()
