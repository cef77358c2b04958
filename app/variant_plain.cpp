#include "variant.h"

const DemoVariant Variant = {"Lumora V2 new render sub-system demo: rendering with ", ComposePlainFrame};
