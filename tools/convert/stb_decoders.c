/* The PNG decoder the packer converts authors' pictures with: Debian's
 * stb_image (libstb-dev), compiled here from its single-file source so that
 * the host build and the Windows build of the tools carry the same decoder.
 * Only PNG from memory is compiled. The Ogg Vorbis decoder is the game's own
 * (src/sound/stb_vorbis.c). */

#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
