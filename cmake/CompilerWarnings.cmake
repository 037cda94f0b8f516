# Warnings on for every target of the project; TILVANE_WERROR makes them fatal (CI).
add_compile_options(-Wall -Wextra)
if(TILVANE_WERROR)
    add_compile_options(-Werror)
endif()
