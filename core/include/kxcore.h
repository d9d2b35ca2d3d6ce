// Kalvex core library: the one header that programs, plug-in hosts and tests include.
#pragma once

#include "kx/api.h"
#include "kx/types.h"
#include "kx/core.h"
#include "kx/points.h"
#include "kx/objects.h"
#include "kx/view.h"
#include "kx/events.h"
#include "kx/properties.h"
#include "kx/point_ops.h"
#include "kx/operations.h"
#include "kx/primitives.h"
#include "kx/stdfile.h"
#include "kx/smooth.h"
#include "kx/camera.h"
#include "kx/native_format.h"
