// Wine is not Windows: a few Direct2D features are stubs there. Tests that need one of
// them skip under Wine, saying why.
#pragma once

// True when the program runs under Wine (its ntdll exports wine_get_version).
bool RunningUnderWine();
