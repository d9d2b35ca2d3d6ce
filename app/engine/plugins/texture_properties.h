// One property of the current user texture read into, or written from, a
// plug-in's PluginProperty: the property's name is an element of the
// renderer's texture definitions (a short cross-reference name or a path),
// its value the element's value in the KxVar type of the element's kind.
#pragma once

#include "kxplugin.h"

namespace kx::plugins {

// 1 when the named element exists and its value went into p's value; 0 for
// an unknown element or a kind without a plug-in value.
int readTextureProperty(PluginProperty& p);
// 1 when the named element took p's value (which must suit its kind); the
// element is then set in the current texture.
int writeTextureProperty(const PluginProperty& p);

}  // namespace kx::plugins
