# One switch for the address and undefined-behaviour sanitizers over every target.
if(TINE_SANITIZE)
  set(_tine_san -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${_tine_san})
  add_link_options(${_tine_san})
endif()
