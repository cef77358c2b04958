#include "variant.h"

const DemoVariant Variant = {"Lumora V2 new render sub-system demo `Crazy Shit`: rendering With ", ComposeCrazyFrame};
