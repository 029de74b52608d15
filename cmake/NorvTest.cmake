# norv_add_test(<name> SOURCES <files...> LIBS <targets...> [ENV <VAR=value...>])
#
# Builds one QtTest program and registers it with CTest under <name>. Every
# test runs headless; ENV adds variables (for example LD_LIBRARY_PATH pointing
# at a stand-in bridge library).
function(norv_add_test name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS;ENV" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test ${T_LIBS})
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;${T_ENV}"
        TIMEOUT 300)
endfunction()
