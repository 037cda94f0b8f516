# AddressSanitizer and UndefinedBehaviorSanitizer for the whole build. Undefined
# behaviour aborts, so a test run cannot pass over it.
if(TILVANE_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()
