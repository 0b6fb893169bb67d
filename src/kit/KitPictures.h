#pragma once
// The kit's pictures, drawn in code for the image store to hold.
#include <QImage>
#include <functional>
#include <vector>

// One picture of the store: its name, the size it is designed at, and how to draw it at that
// size (none for a picture that has a size but no image).
struct TKitPicture {
  const char* name;
  int w, h;
  std::function<QImage(int, int)> make;
};

// Every picture of the store, in the store's order.
std::vector<TKitPicture> KitPictureCatalogue();
