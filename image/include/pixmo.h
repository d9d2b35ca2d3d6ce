// The image library pixmo32: reads, writes and keeps raster images.
#pragma once

#include "pixmo/types.h"
#include "pixmo/image.h"
#include "pixmo/files.h"
