// The one translation unit that carries stb_image's code. Only the formats
// skins use are compiled in, which also keeps the decoder's attack surface
// small for image files from the resource folder.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_BMP
#define STBI_ONLY_JPEG
#define STBI_ONLY_GIF
#define STBI_NO_STDIO
#define STBI_MAX_DIMENSIONS 16384
#include <stb_image.h>
