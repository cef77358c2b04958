// The frame as a PNG file through the PNG encoder of the Windows Imaging Component.
#include "frame_png.h"

#include "text_utf.h"

#include <windows.h>
#include <objbase.h>
#include <wincodec.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// The interfaces of one encoding, released together when it ends.
struct PngJob {
  IWICImagingFactory *factory;
  IWICStream *stream;
  IWICBitmapEncoder *encoder;
  IWICBitmapFrameEncode *frame;
};

void ReleaseJob(PngJob *job) {
  IUnknown *held[] = {job->frame, job->encoder, job->stream, job->factory};
  for (IUnknown *object : held)
    if (object) object->Release();
}

// The failed call's HRESULT, or S_OK when every step went through.
HRESULT Encode(PngJob *job, const std::wstring &file, std::vector<uint32_t> *pixels, int width, int height) {
  HRESULT result = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                    reinterpret_cast<void **>(&job->factory));
  if (SUCCEEDED(result)) result = job->factory->CreateStream(&job->stream);
  if (SUCCEEDED(result)) result = job->stream->InitializeFromFilename(file.c_str(), GENERIC_WRITE);
  if (SUCCEEDED(result)) result = job->factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &job->encoder);
  if (SUCCEEDED(result)) result = job->encoder->Initialize(job->stream, WICBitmapEncoderNoCache);
  if (SUCCEEDED(result)) result = job->encoder->CreateNewFrame(&job->frame, nullptr);
  if (SUCCEEDED(result)) result = job->frame->Initialize(nullptr);
  if (SUCCEEDED(result)) result = job->frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height));
  // The encoder may answer with another format it prefers; only straight BGRA is written.
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
  if (SUCCEEDED(result)) result = job->frame->SetPixelFormat(&format);
  if (SUCCEEDED(result) && format != GUID_WICPixelFormat32bppBGRA) result = WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
  const UINT stride = static_cast<UINT>(width) * 4;
  if (SUCCEEDED(result))
    result = job->frame->WritePixels(static_cast<UINT>(height), stride, stride * static_cast<UINT>(height),
                                     reinterpret_cast<BYTE *>(pixels->data()));
  if (SUCCEEDED(result)) result = job->frame->Commit();
  if (SUCCEEDED(result)) result = job->encoder->Commit();
  return result;
}

// The system's words for a failure, or its number where the system has none.
std::string Describe(HRESULT result) {
  WCHAR *text = nullptr;
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, static_cast<DWORD>(result), 0, reinterpret_cast<WCHAR *>(&text), 0, nullptr);
  std::string words = length > 0 ? TkWideToUtf8(text, length) : std::string();
  if (text) LocalFree(text);
  while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == ' ' || words.back() == '.'))
    words.pop_back();
  if (!words.empty()) return words;
  char number[32];
  std::snprintf(number, sizeof number, "error 0x%08lX", static_cast<unsigned long>(result));
  return number;
}

HRESULT LastError() { return HRESULT_FROM_WIN32(GetLastError()); }

// The picture goes into a new file in the target's folder, which replaces the target
// once it is whole (a read-only target refuses the replacement); on failure only the new
// file is removed.
HRESULT WriteBeside(const std::wstring &file, std::vector<uint32_t> *pixels, int width, int height) {
  WCHAR full[MAX_PATH];
  const DWORD length = GetFullPathNameW(file.c_str(), MAX_PATH, full, nullptr);
  if (length == 0 || length >= MAX_PATH)
    return length == 0 ? LastError() : HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
  // Replacing would get round the file's read-only mark. Windows refuses the rename
  // anyway; Wine, for a root user, does not.
  const DWORD attributes = GetFileAttributesW(full);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
    return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
  std::wstring folder(full);
  folder.erase(folder.find_last_of(L"\\/") + 1);
  WCHAR temporary[MAX_PATH];
  if (GetTempFileNameW(folder.c_str(), L"png", 0, temporary) == 0) return LastError();
  PngJob job{};
  HRESULT result = Encode(&job, temporary, pixels, width, height);
  // The stream closes the new file when it is released.
  ReleaseJob(&job);
  if (SUCCEEDED(result) && !MoveFileExW(temporary, full, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    result = LastError();
  if (FAILED(result)) DeleteFileW(temporary);
  return result;
}

} // namespace

bool WriteFramePng(const std::string &file, const uint32_t *pixels, int width, int height, std::string *reason) {
  std::vector<uint32_t> opaque(pixels, pixels + static_cast<size_t>(width) * height);
  for (uint32_t &pixel : opaque) pixel |= 0xFF000000u;
  HRESULT apartment = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const HRESULT result = WriteBeside(TkUtf8ToWide(file), &opaque, width, height);
  if (SUCCEEDED(apartment)) CoUninitialize();
  if (FAILED(result)) *reason = Describe(result);
  return SUCCEEDED(result);
}
