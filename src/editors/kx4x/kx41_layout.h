// The KX-41 image and file layouts (kx41_image.cpp, kx41_json.cpp).
#pragma once

#include "editors/image_layout.h"
#include "editors/json_layout.h"
#include "editors/kx4x/kx41_config.h"

const TImageLayout<TKX41Data>& KX41ImageLayout();
const TJsonLayout<TKX41Data>& KX41JsonLayout();
