#include "variant.h"

const DemoVariant Variant = {"render_demo", "Lumora V2 new render sub-system demo: rendering with ", ComposePlainFrame};
