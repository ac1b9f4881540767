// Writes the seed files of the resource reader's fuzzer into a folder (corpus/library/): a
// 32-bit and a 64-bit image whose string tables hold what the reader must get right, blocks
// out of order, undefined ids, text beyond the basic plane, a lone surrogate and a second
// language. The fuzzer grows its own corpus from them in a scratch folder (scripts/fuzz), so
// these stay as written here. Run again after changing them:
//
//   build/bin/make_library_seeds fuzz/corpus/library
#include <cstdio>
#include <fstream>
#include <string>

#include "support/pe_builder.h"

namespace {

bool Write(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (out) return true;
  std::fprintf(stderr, "make_library_seeds: %s could not be written\n", path.c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_library_seeds FOLDER\n");
    return 2;
  }
  using tarn::testing::PeBuilder;
  const std::string folder = argv[1];
  const std::string pe32 =
      PeBuilder(false)
          .Block(3, {u"", u"Café",
                     u"\U00010000\U0001F680 " + std::u16string(1, char16_t{0xD800}) + u"!"})
          .Block(1, {u"Kestrovar", u"", u"", u"Line\r\nTwo"})
          .Build()
          .bytes;
  const std::string pe32_plus =
      PeBuilder(true).Block(2, {u"Hallo"}, 0x407).Language(0x409, {u"Hello"}).Build().bytes;
  const bool written =
      Write(folder + "/pe32.dll", pe32) && Write(folder + "/pe32plus.dll", pe32_plus);
  return written ? 0 : 1;
}
