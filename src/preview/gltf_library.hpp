// The glTF library for the preview's writer and the tests that read previews
// back: the one configuration of it, kept beside the reader.
#pragma once

#include "gltf/gltf_library.hpp"
