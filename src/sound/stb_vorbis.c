/* The Ogg Vorbis decoder of the game and its tools: Debian's stb_vorbis
 * (libstb-dev), compiled here from its single-file source so that every
 * build carries the same decoder. Only decoding from memory through the pull
 * interface is compiled; every allocation comes from the buffer the caller
 * hands to stb_vorbis_open_memory (see sound/ogg_clip.cpp). */

#define STB_VORBIS_NO_STDIO
#define STB_VORBIS_NO_PUSHDATA_API
#include <stb_vorbis.h>
