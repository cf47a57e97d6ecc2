// The glTF library as the preview uses it: the container and its JSON only,
// without image codecs or file access of its own. Only src/preview includes
// this header (and the tests that read the previews back).
#pragma once

#ifndef TINYGLTF_NO_STB_IMAGE
#define TINYGLTF_NO_STB_IMAGE
#endif
#ifndef TINYGLTF_NO_STB_IMAGE_WRITE
#define TINYGLTF_NO_STB_IMAGE_WRITE
#endif
#ifndef TINYGLTF_NO_EXTERNAL_IMAGE
#define TINYGLTF_NO_EXTERNAL_IMAGE
#endif

#include <tiny_gltf.h>
