# Warnings, strict Qt/GStreamer defines and the sanitizer switch, carried by two
# interface targets rather than set for whole directories: every Ombrix target
# gets them through ombrix_platform (linked PUBLIC by all), and the test camera,
# which GStreamer's plugin scanner loads into unsanitized processes, takes the
# warnings only.
add_library(ombrix_warnings INTERFACE)
target_compile_options(ombrix_warnings INTERFACE -Wall -Wextra)
target_compile_definitions(ombrix_warnings INTERFACE QT_NO_CAST_FROM_ASCII QT_NO_KEYWORDS GST_DISABLE_DEPRECATED)

add_library(ombrix_options INTERFACE)
target_link_libraries(ombrix_options INTERFACE ombrix_warnings)
if(OMBRIX_SANITIZE STREQUAL "address")
  target_compile_options(ombrix_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(ombrix_options INTERFACE -fsanitize=address,undefined)
elseif(OMBRIX_SANITIZE STREQUAL "thread")
  target_compile_options(ombrix_options INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(ombrix_options INTERFACE -fsanitize=thread)
elseif(NOT OMBRIX_SANITIZE STREQUAL "")
  message(FATAL_ERROR "OMBRIX_SANITIZE must be empty, 'address' or 'thread'")
endif()
