// The glTF library as ossify uses it: the container and its JSON only, without
// image codecs or file access for images. Only the reader in this folder, the
// preview's writer and the tests that read or write glTF include this header.
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
