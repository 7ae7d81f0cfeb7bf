// Writes the generated artwork of both programs; see artwork.h.
#include <iostream>
#include <string>
#include <vector>

#include "artwork.h"

int main(int argc, char** argv) {
  return artgen::runArtgen(std::vector<std::string>(argv + 1, argv + argc), ARTGEN_DEFAULT_FONT,
                           std::cerr);
}
