// DirectWrite: only the factory and the text format that Direct2D's DrawText takes. No
// text is drawn by the system, so no font machinery stands behind them.
#pragma once

#include <windef.h>

typedef enum DWRITE_FACTORY_TYPE {
  DWRITE_FACTORY_TYPE_SHARED = 0,
  DWRITE_FACTORY_TYPE_ISOLATED = 1
} DWRITE_FACTORY_TYPE;

typedef enum DWRITE_FONT_WEIGHT { DWRITE_FONT_WEIGHT_NORMAL = 400, DWRITE_FONT_WEIGHT_BOLD = 700 } DWRITE_FONT_WEIGHT;

typedef enum DWRITE_FONT_STYLE {
  DWRITE_FONT_STYLE_NORMAL = 0,
  DWRITE_FONT_STYLE_OBLIQUE = 1,
  DWRITE_FONT_STYLE_ITALIC = 2
} DWRITE_FONT_STYLE;

typedef enum DWRITE_FONT_STRETCH {
  DWRITE_FONT_STRETCH_UNDEFINED = 0,
  DWRITE_FONT_STRETCH_NORMAL = 5
} DWRITE_FONT_STRETCH;

struct IDWriteFontCollection;

extern const IID IID_IDWriteFactory;
extern const IID IID_IDWriteTextFormat;

// The font, size and layout of a run of text.
struct IDWriteTextFormat : public IUnknown {};

struct IDWriteFactory : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE CreateTextFormat(const WCHAR *familyName, IDWriteFontCollection *collection,
                                                     DWRITE_FONT_WEIGHT weight, DWRITE_FONT_STYLE style,
                                                     DWRITE_FONT_STRETCH stretch, FLOAT size, const WCHAR *locale,
                                                     IDWriteTextFormat **format) = 0;
};

// The export of "DWRITE.DLL" that creates the factory.
extern "C" HRESULT WINAPI DWriteCreateFactory(DWRITE_FACTORY_TYPE factoryType, REFIID iid, IUnknown **factory);
