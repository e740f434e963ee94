// Planted for the layer test: a record file reaching up to the document.
#pragma once
#include <document/workspace.h>
