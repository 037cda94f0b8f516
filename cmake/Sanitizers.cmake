# AddressSanitizer and UndefinedBehaviorSanitizer for the whole build. Undefined
# behaviour aborts, so a test run cannot pass over it.
if(TILVANE_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()

# ThreadSanitizer for the code that may be called from several threads. It cannot
# share a process with AddressSanitizer, so it is a build of its own.
if(TILVANE_SANITIZE_THREAD)
    if(TILVANE_SANITIZE)
        message(FATAL_ERROR "TILVANE_SANITIZE_THREAD and TILVANE_SANITIZE cannot be combined")
    endif()
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
endif()

# The fuzz build instruments every target for coverage and the sanitizers; the
# harnesses add libFuzzer's own main when they link.
if(TILVANE_BUILD_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
endif()
