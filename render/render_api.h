// The Render API: image objects and brushes, the drawing context, drawing operations,
// 9-slice borders, layers and pixel conversions, drawn through the Direct2D backend.
//
// Handles are addresses of elements of the API's lists (ImageList, BrushList, BorderList).
// Every procedure runs on the GUI thread; nothing here is locked. Colours are 0x00BBGGRR
// (red in the low byte) with alpha passed separately, except where an RGBA value is named
// (alpha in bits 24 to 31).
#pragma once

#include <windows.h>
#include <d2d1.h>

#include "toolkit.h"

#include <cstdint>
#include <string>

// ---------------------------------------------------------------------------------------
// Types
// ---------------------------------------------------------------------------------------

// One image: its size and its pixels (premultiplied BGRA) in a bitmap render target.
struct RenderImage {
  int32_t width;
  int32_t height;
  uint8_t premultiplied;           // 1 when loading premultiplied the colour channels
  ID2D1BitmapRenderTarget *bitmap; // owned; null unless the Direct2D backend was active
  ID2D1Bitmap *pixels;             // bitmap's own bitmap, taken at the first draw from it (owned), else null
};

// An image brush: the size of its image and the Direct2D brush (owned).
struct RenderBrush {
  int32_t width;
  int32_t height;
  ID2D1BitmapBrush *brush;
};

// Slice lines of a 9-slice border image, measured from its top-left corner.
struct BorderMargins {
  int32_t left;   // first column after the left edge
  int32_t top;    // first row after the top edge
  int32_t right;  // first column of the right edge
  int32_t bottom; // first row of the bottom edge
};

// Index of each piece of a border, in drawing order.
enum RenderBorderPiece {
  BORDER_TOP_LEFT,
  BORDER_TOP,
  BORDER_TOP_RIGHT,
  BORDER_LEFT,
  BORDER_RIGHT,
  BORDER_BOTTOM_LEFT,
  BORDER_BOTTOM,
  BORDER_BOTTOM_RIGHT,
  BORDER_PIECE_COUNT
};

// A 9-slice frame: eight tiling piece brushes (owned by BrushList) and an optional mask
// border cut along the same lines.
struct RenderBorder {
  RenderBrush *piece[BORDER_PIECE_COUNT];
  RenderBorder *mask;
};

// Left, top, right, bottom: the layout of D2D1_RECT_F.
struct RenderRect {
  float left;
  float top;
  float right;
  float bottom;
};

// One pushed layer. It owns mask and maskBrush, never border.
struct RenderLayer {
  RenderImage *mask;
  RenderBrush *maskBrush;
  RenderBorder *border;
  float left;
  float top;
  float width;
  float height;
  float maskWidth;
  float maskHeight;
  float opacity;
};

// One element of DrawingStack: the image being drawn on and its pushed layers.
struct DrawingContext {
  RenderImage *target;
  TkList *layers; // RenderLayer records; the current element is the innermost layer
};

// Hue in degrees, saturation and lightness from 0 to 1.
struct HSLColor {
  float hue;
  float saturation;
  float lightness;
};

// ---------------------------------------------------------------------------------------
// State (made by StartRenderAPI, used on the GUI thread only)
// ---------------------------------------------------------------------------------------

// Values of RenderBackend. Only Direct2D draws; with the others the records are still
// made, sized and freed, but hold no Direct2D object.
constexpr int64_t RENDER_BACKEND_NONE = -1;
constexpr int64_t RENDER_BACKEND_GDI = 0;
constexpr int64_t RENDER_BACKEND_DIRECT2D = 1;

// Which backend draws: one of the RENDER_BACKEND_ values.
extern int64_t RenderBackend;
// Parent of every image's render target and the surface that presents images on a DC.
extern ID2D1DCRenderTarget *MainRenderTarget;
extern TkList *ImageList;    // RenderImage records
extern TkList *BrushList;    // RenderBrush records
extern TkList *BorderList;   // RenderBorder records
extern TkList *DrawingStack; // DrawingContext records; the current element is the current one

// ---------------------------------------------------------------------------------------
// Start-up and backend choice
// ---------------------------------------------------------------------------------------

// Starts the Render API, once, on the GUI thread, before any other procedure of it: on a
// system with Direct2D starts the backend and makes MainRenderTarget; chooses Direct2D
// where the system has it (otherwise RenderBackend stays RENDER_BACKEND_NONE and nothing
// is drawn); makes the empty lists and registers the PNG and JPEG decoders.
void StartRenderAPI();
// Releases everything the Render API holds: the drawing contexts left open, every image,
// brush and border still listed, the lists, MainRenderTarget and the backend. For a
// program that ends by returning from main (so that a leak checker sees what is left);
// the demo itself keeps everything until the process ends.
void StopRenderAPI();
// RENDER_BACKEND_DIRECT2D selects Direct2D when the system has it, RENDER_BACKEND_GDI
// selects GDI; 1 when the choice was made, 0 when refused (RenderBackend unchanged).
int64_t SetRenderBackend(int64_t mode);
// The current RenderBackend.
int64_t GetRenderBackend();

// ---------------------------------------------------------------------------------------
// Alpha bitmaps
// ---------------------------------------------------------------------------------------

// What CreateAlphaBitmap does to the colour channels.
constexpr int8_t RENDER_ALPHA_PREMULTIPLY = 1;
constexpr int8_t RENDER_ALPHA_UNPREMULTIPLY = -1;
constexpr int8_t RENDER_ALPHA_KEEP = 0;

// A new upright 32-bit bitmap with a real alpha channel from a 24/32-bit bitmap or an icon
// (its mask fills alpha 0), its colours converted by mode (a RENDER_ALPHA_ value). Null for
// anything else or an empty picture. The handle passed in is left alone.
HBITMAP CreateAlphaBitmap(HANDLE handle, int8_t mode);

// ---------------------------------------------------------------------------------------
// Image objects
// ---------------------------------------------------------------------------------------

// Flags of LoadRenderImage.
constexpr int32_t RENDER_LOAD_THROUGH_ICON = 2; // go through an image-list icon and its mask
constexpr int32_t RENDER_LOAD_STRAIGHT = 8;     // keep the decoded channels, do not premultiply

// Loads an icon, PNG or JPEG file; width or height 0 keeps the file's own size. Null when
// the file is missing, empty or cannot be decoded.
RenderImage *LoadRenderImage(const std::string &fileName, int32_t width, int32_t height, int32_t flags);
// A new image of the given size cleared to an RGBA colour.
RenderImage *CreateRenderImage(int32_t width, int32_t height, uint32_t color);
// A new image holding a copy of a bitmap's pixels (taken as premultiplied BGRA), or null.
RenderImage *CreateRenderImageFromBitmap(HBITMAP bitmap);
// A new image holding a copy of the bitmap selected into a device context, or null.
RenderImage *CreateRenderImageFromDC(HDC dc);
// A new image holding a copy of a toolkit image, or null.
RenderImage *CreateRenderImageFromToolkitImage(int64_t number);
// Number of a new 32-bit toolkit image holding the image over opaque black, or 0.
int64_t RenderImageToToolkitImage(RenderImage *image);
// A new 32-bit bitmap holding the image over opaque black (the caller deletes it), or null.
HBITMAP RenderImageToBitmap(RenderImage *image);
// Width or height of an icon, a GDI bitmap or a RenderImage; 0 for null or anything else.
int32_t RenderImageWidth(const void *handle);
int32_t RenderImageHeight(const void *handle);
// Destroys an icon or GDI object (nonzero result) or frees a RenderImage (0).
int64_t FreeRenderImage(void *handle);
// A new tiling-capable brush over the image's pixels; null without the Direct2D backend.
RenderBrush *CreateRenderBrush(RenderImage *image);
// Presents the image at (0, 0) of a device context, over opaque black.
int DrawRenderImageToDC(RenderImage *image, HDC dc);

// ---------------------------------------------------------------------------------------
// Drawing context
// ---------------------------------------------------------------------------------------

// Makes the image the current target (contexts nest) and begins drawing on it.
int StartRenderDrawing(RenderImage *image);
// Ends drawing on the current target and returns to the previous one.
int StopRenderDrawing();
// Copies a rectangle of an image (which may be the current target) to (destX, destY) of
// the current target, replacing the pixels there.
int CopyRenderImageArea(RenderImage *image, int32_t x, int32_t y, int32_t width, int32_t height, int32_t destX,
                        int32_t destY);

// ---------------------------------------------------------------------------------------
// Drawing operations (into the current target)
// ---------------------------------------------------------------------------------------

// Draws the whole image scaled into the rectangle; a negative size takes the image's.
int DrawRenderImage(RenderImage *image, float x, float y, float width, float height, float opacity);
// Draws a source rectangle of the image scaled into the rectangle; negative widths and
// heights (source or destination) take the image's.
int DrawRenderImagePart(RenderImage *image, float srcX, float srcY, float srcWidth, float srcHeight, float x, float y,
                        float width, float height, float opacity);
// Blends a solid colour (0x00BBGGRR) with an alpha over a rectangle.
int DrawRenderBox(float x, float y, float width, float height, uint32_t colour, float alpha);
int DrawRenderBoxRect(const RenderRect *rect, uint32_t colour, float alpha);
// Paints a rectangle with a brush; where the brush's image lands is the brush's transform.
int DrawRenderBrushBox(float x, float y, float width, float height, RenderBrush *brush);
int SetRenderBrushOpacity(RenderBrush *brush, float opacity);
// Makes the brush's transform a pure translation.
int SetRenderBrushOrigin(RenderBrush *brush, float x, float y);
// Extend modes of a brush beyond its image's edges, per axis (Direct2D's values).
constexpr int32_t RENDER_EXTEND_CLAMP = 0;
constexpr int32_t RENDER_EXTEND_WRAP = 1;
constexpr int32_t RENDER_EXTEND_MIRROR = 2;

// Extend modes per axis, each a RENDER_EXTEND_ value.
int SetRenderBrushExtendMode(RenderBrush *brush, int32_t modeX, int32_t modeY);
// Translation, then scale about the centre, then rotation (degrees) about the centre.
int SetRenderBrushTransform(RenderBrush *brush, float scaleX, float scaleY, float centerX, float centerY, float angle,
                            float offsetX, float offsetY);
// Makes the brush's transform a scale about the centre.
int SetRenderBrushScale(RenderBrush *brush, float scaleX, float scaleY, float centerX, float centerY);
// Releases a brush and removes its record; null or an unknown value is ignored.
int FreeRenderBrush(RenderBrush *brush);
// Paints destRect with a Direct2D brush through the alpha of the mask's sourceRect.
int FillRenderOpacityMask(RenderImage *mask, ID2D1Brush *brush, const RenderRect *sourceRect,
                          const RenderRect *destRect);

// ---------------------------------------------------------------------------------------
// Borders and pixel processing
// ---------------------------------------------------------------------------------------

// A new image holding a rectangle of the image, or null for an empty or negative request.
RenderImage *GrabRenderImage(RenderImage *image, int32_t x, int32_t y, int32_t width, int32_t height);
// Cuts a 9-slice border (and its mask, along the same lines). Null margins are detected
// from the pixels; right < left or bottom < top are mended in the caller's record.
RenderBorder *CreateRenderBorder(RenderImage *image, RenderImage *mask, BorderMargins *margins);
// Draws the border's eight pieces around the rectangle; the centre is left alone.
int DrawRenderBorder(RenderBorder *border, float x, float y, float width, float height, float opacity);
// Finds the slice lines of a border picture (bitmap or icon); 1 when margins were written.
int DetectBorderMargins(HANDLE handle, BorderMargins *margins);
// A new image cropped to the visible pixels on the chosen sides (0 all; 1 left, 2 top,
// 4 right, 8 bottom); margins, when given, receive the trimmed strip sizes. Null when no
// pixel is visible.
RenderImage *TrimRenderImage(RenderImage *image, BorderMargins *margins, uint8_t sides);
// The stored (premultiplied) pixel as RGBA, alpha in bits 24 to 31; 0 outside the image.
uint32_t GetRenderImagePixel(RenderImage *image, int32_t x, int32_t y);
// A 24-bit RGB value (red in the low byte) from hue, saturation and lightness.
uint32_t HSLToRGB(HSLColor colour);

// ---------------------------------------------------------------------------------------
// Layers
// ---------------------------------------------------------------------------------------

// Clips what follows to rect with an opacity and an opacity brush; a border with a mask
// border masks the layer with it instead, and the border is drawn when the layer stops.
int StartRenderLayer(const RenderRect *rect, float opacity, RenderBrush *opacityBrush, RenderBorder *border);
// Composes the innermost layer onto the target and draws its border over it.
int StopRenderLayer();
#include "colour_effects.h"
