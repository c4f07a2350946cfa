# One switch for the address and undefined-behaviour sanitizers over every target.
if(TINE_SANITIZE)
  set(_tine_san -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${_tine_san})
  add_link_options(${_tine_san})
endif()

# ThreadSanitizer, for the tests that drive the audio thread from another
# thread. It cannot be combined with the address sanitizer.
if(TINE_TSAN)
  if(TINE_SANITIZE)
    message(FATAL_ERROR "TINE_TSAN and TINE_SANITIZE cannot be combined")
  endif()
  set(_tine_tsan -fsanitize=thread -fno-omit-frame-pointer -g)
  add_compile_options(${_tine_tsan})
  add_link_options(${_tine_tsan})
endif()
