# AddressSanitizer and UndefinedBehaviorSanitizer for the whole build. Undefined
# behaviour aborts, so a test run cannot pass over it.
if(TILVANE_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()

# The fuzz build instruments every target for coverage and the sanitizers; the
# harnesses add libFuzzer's own main when they link.
if(TILVANE_BUILD_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
endif()
