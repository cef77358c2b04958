// The base of every COM object the platform makes: the reference count, AddRef, Release,
// and QueryInterface answering IUnknown and the interface identifiers listed. COM's
// interfaces are abstract classes that an object derives from, so this is the one place
// where the platform builds a class hierarchy.
#pragma once

#include <windows.h>

#include <atomic>

// Interface: the interface the object implements (QueryInterface hands out this pointer
// for every identifier it answers). Answers: the identifiers of Interface and its bases,
// IUnknown aside. An object starts with one reference, its creator's, and deletes itself
// when the last one goes.
template <class Interface, const IID &...Answers> struct ComObject : public Interface {
  std::atomic<ULONG> refs{1};

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || (IsEqualIID(iid, Answers) || ...)) {
      AddRef();
      *object = static_cast<Interface *>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --refs;
    if (left == 0) delete this;
    return left;
  }
};
