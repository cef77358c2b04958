#include "variant.h"

const DemoVariant Variant = {"render_demo_crazy", "Lumora V2 new render sub-system demo `Crazy Shit`: rendering With ",
                             ComposeCrazyFrame};
