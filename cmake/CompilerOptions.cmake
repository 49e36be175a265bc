# Warnings, strict Qt/GStreamer defines and the sanitizer switch, for every target.
add_compile_options(-Wall -Wextra)
add_compile_definitions(QT_NO_CAST_FROM_ASCII QT_NO_KEYWORDS GST_DISABLE_DEPRECATED)

if(OMBRIX_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(OMBRIX_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT OMBRIX_SANITIZE STREQUAL "")
  message(FATAL_ERROR "OMBRIX_SANITIZE must be empty, 'address' or 'thread'")
endif()
