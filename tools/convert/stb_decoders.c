/* The PNG and Ogg Vorbis decoders the packer converts authors' files with:
 * Debian's stb_image and stb_vorbis (libstb-dev), compiled here from their
 * single-file sources so that the host build and the Windows build of the
 * tools carry the same decoder. Only what the packer uses is compiled: PNG
 * from memory, Vorbis from memory through the pull interface. */

#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

#define STB_VORBIS_NO_STDIO
#define STB_VORBIS_NO_PUSHDATA_API
#include <stb_vorbis.h>
