#include "engine/PhotoList.h"

#include <utility>

void PhotoList::Clear() {
  items.clear();
  currentIndex = -1;
}

void PhotoList::AddItem(PhotoItem item) { items.push_back(std::move(item)); }

PhotoItem* PhotoList::CurrentItem() {
  return currentIndex >= 0 && currentIndex < static_cast<int>(items.size()) ? &items[currentIndex] : nullptr;
}

const PhotoItem* PhotoList::CurrentItem() const {
  return currentIndex >= 0 && currentIndex < static_cast<int>(items.size()) ? &items[currentIndex] : nullptr;
}
