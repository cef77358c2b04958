// LoadLibraryW and GetProcAddress over a table of the modules built into the program.
// Module names compare case-insensitively, as Windows file names do; export names
// compare exactly.
#include <windows.h>

#include "handles.h"
#include "kernel_internal.h"

#include <mutex>
#include <string>

// The Direct2D and DirectWrite entry points live in other parts of the platform. Weak
// references let the table link on its own; a missing one has address 0 and so is not
// found by GetProcAddress.
extern "C" {
__attribute__((weak)) void D2D1CreateFactory();
__attribute__((weak)) void D2D1MakeRotateMatrix();
__attribute__((weak)) void DWriteCreateFactory();
}

namespace {

// Any function address as FARPROC; going through void (*)() keeps the compiler quiet
// about the change of signature, which the caller undoes.
template <typename Function> FARPROC ExportAddress(Function *function) {
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

struct ModuleExport {
  const char *name;
  FARPROC address;
};

struct BuiltinModule {
  const char *fileName; // lower case, with its ".dll"
  ModuleExport exports[2];
  HMODULE handle; // given out on the first load, kept for the process's life
  int loadCount;
};

// The program itself: GetModuleHandleW(NULL). It exports nothing.
BuiltinModule ProgramModule = {"", {}, nullptr, 1};

BuiltinModule Modules[] = {
    {"d2d1.dll",
     {{"D2D1CreateFactory", ExportAddress(&D2D1CreateFactory)},
      {"D2D1MakeRotateMatrix", ExportAddress(&D2D1MakeRotateMatrix)}},
     nullptr,
     0},
    {"dwrite.dll", {{"DWriteCreateFactory", ExportAddress(&DWriteCreateFactory)}, {}}, nullptr, 0},
    {"gdi32.dll",
     {{"GdiAlphaBlend", ExportAddress(&GdiAlphaBlend)}, {"GdiTransparentBlt", ExportAddress(&GdiTransparentBlt)}},
     nullptr,
     0},
};

std::mutex ModulesMutex;

// The file part of a name, lower case, with ".dll" added when it has no extension.
std::string ModuleKey(const std::string &name) {
  size_t slash = name.find_last_of("\\/");
  std::string key = slash == std::string::npos ? name : name.substr(slash + 1);
  for (char &c : key) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  if (!key.empty() && key.find('.') == std::string::npos) key += ".dll";
  return key;
}

BuiltinModule *FindModule(const std::string &key) {
  for (BuiltinModule &module : Modules) {
    if (key == module.fileName) return &module;
  }
  return nullptr;
}

BuiltinModule *ModuleOfHandle(HMODULE handle) {
  return static_cast<BuiltinModule *>(HandleLookup(handle, HandleKind::Module));
}

HMODULE LoadModule(const std::string &name) {
  std::lock_guard<std::mutex> lock(ModulesMutex);
  BuiltinModule *module = FindModule(ModuleKey(name));
  if (!module) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  if (!module->handle) module->handle = static_cast<HMODULE>(HandleAdd(HandleKind::Module, module));
  ++module->loadCount;
  return module->handle;
}

} // namespace

HMODULE LoadLibraryW(LPCWSTR fileName) {
  if (!fileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return LoadModule(KernelWideToUtf8(fileName));
}

FARPROC GetProcAddress(HMODULE handle, LPCSTR procName) {
  std::lock_guard<std::mutex> lock(ModulesMutex);
  BuiltinModule *module = ModuleOfHandle(handle);
  if (!module) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  // Values below 64 KiB are ordinals; no built-in module exports by ordinal.
  if (reinterpret_cast<uintptr_t>(procName) <= 0xFFFF) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  for (const ModuleExport &entry : module->exports) {
    if (entry.name && entry.address && std::strcmp(entry.name, procName) == 0) return entry.address;
  }
  SetLastError(ERROR_PROC_NOT_FOUND);
  return nullptr;
}

BOOL FreeLibrary(HMODULE handle) {
  std::lock_guard<std::mutex> lock(ModulesMutex);
  BuiltinModule *module = ModuleOfHandle(handle);
  if (!module || module->loadCount < 1) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  // Built-in code never unloads, so the handle stays valid for a later load.
  if (module != &ProgramModule) --module->loadCount;
  return TRUE;
}

HMODULE GetModuleHandleW(LPCWSTR moduleName) {
  std::lock_guard<std::mutex> lock(ModulesMutex);
  if (!moduleName) {
    if (!ProgramModule.handle)
      ProgramModule.handle = static_cast<HMODULE>(HandleAdd(HandleKind::Module, &ProgramModule));
    return ProgramModule.handle;
  }
  BuiltinModule *module = FindModule(ModuleKey(KernelWideToUtf8(moduleName)));
  if (!module || module->loadCount < 1) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  return module->handle;
}
