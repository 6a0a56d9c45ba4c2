// The desktop links Debian's compiled stb library; the browser build
// compiles the one part it uses from Debian's header.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wmissing-field-initializers"
#include <stb_image_write.h>
#pragma clang diagnostic pop
