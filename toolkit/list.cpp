// Linked lists of fixed-size records. Each element is one block: a hidden header
// followed by the zero-filled record, whose address is the element's handle.
#include "toolkit.h"

#include <cstddef>
#include <cstdlib>

struct TkListNode {
  TkListNode *previous;
  TkListNode *next;
  const TkList *owner; // lets TkChangeCurrentElement refuse elements of other lists
};

struct TkList {
  size_t elementSize;
  TkListNode *first;
  TkListNode *last;
  TkListNode *current; // null: before the first element
  int64_t count;
};

namespace {

// The record starts at the first suitably aligned offset after the header.
constexpr size_t HeaderSize =
    (sizeof(TkListNode) + alignof(std::max_align_t) - 1) / alignof(std::max_align_t) * alignof(std::max_align_t);

void *DataOf(TkListNode *node) { return node ? reinterpret_cast<char *>(node) + HeaderSize : nullptr; }

TkListNode *NodeOf(const void *data) {
  return reinterpret_cast<TkListNode *>(const_cast<char *>(static_cast<const char *>(data)) - HeaderSize);
}

void Unlink(TkList *list, TkListNode *node) {
  if (node->previous)
    node->previous->next = node->next;
  else
    list->first = node->next;
  if (node->next)
    node->next->previous = node->previous;
  else
    list->last = node->previous;
  --list->count;
}

} // namespace

TkList *TkNewList(size_t elementSize) {
  TkList *list = static_cast<TkList *>(std::calloc(1, sizeof(TkList)));
  if (list) list->elementSize = elementSize;
  return list;
}

void TkFreeList(TkList *list) {
  if (!list) return;
  TkClearList(list);
  std::free(list);
}

void *TkAddElement(TkList *list) {
  if (!list || list->elementSize > SIZE_MAX - HeaderSize) return nullptr;
  TkListNode *node = static_cast<TkListNode *>(std::calloc(1, HeaderSize + list->elementSize));
  if (!node) return nullptr;
  node->owner = list;
  // After the current element; with the cursor before the first, at the front.
  TkListNode *before = list->current;
  TkListNode *after = before ? before->next : list->first;
  node->previous = before;
  node->next = after;
  if (before)
    before->next = node;
  else
    list->first = node;
  if (after)
    after->previous = node;
  else
    list->last = node;
  list->current = node;
  ++list->count;
  return DataOf(node);
}

void TkClearList(TkList *list) {
  if (!list) return;
  TkListNode *node = list->first;
  while (node) {
    TkListNode *next = node->next;
    node->owner = nullptr;
    std::free(node);
    node = next;
  }
  list->first = list->last = list->current = nullptr;
  list->count = 0;
}

void TkResetList(TkList *list) {
  if (list) list->current = nullptr;
}

void *TkNextElement(TkList *list) {
  if (!list) return nullptr;
  TkListNode *next = list->current ? list->current->next : list->first;
  // Past the last element the cursor stays on it, so an add after a finished walk
  // still appends.
  if (!next) return nullptr;
  list->current = next;
  return DataOf(next);
}

void *TkCurrentElement(TkList *list) { return list ? DataOf(list->current) : nullptr; }

void TkChangeCurrentElement(TkList *list, void *element) {
  if (!list || !element) return;
  TkListNode *node = NodeOf(element);
  if (node->owner == list) list->current = node;
}

void TkDeleteElement(TkList *list) {
  if (!list || !list->current) return;
  TkListNode *node = list->current;
  list->current = node->previous;
  Unlink(list, node);
  node->owner = nullptr;
  std::free(node);
}

int64_t TkListSize(const TkList *list) { return list ? list->count : 0; }

bool TkListContains(const TkList *list, const void *element) {
  if (!list || !element) return false;
  for (TkListNode *node = list->first; node; node = node->next)
    if (DataOf(node) == element) return true;
  return false;
}
