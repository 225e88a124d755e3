// The resources the MVDK codec components carry: the settings dialog
// (items 1 OK, 2 Cancel, 3 the level slider) and the item list of the
// settings panel that a host embeds in its own dialog (item 1 the level
// slider).
#pragma once

#include <span>

#include "Components/Components.h"

std::span<const ComponentResourceEntry> MVDKCodecResources();
