#include "bench/journal_generator.h"

#include <array>
#include <fstream>
#include <random>
#include <vector>

namespace dbt::bench {
namespace {

struct Field {
  const char* name;
  char type;
  std::uint8_t length;
};
const std::array<Field, 6> kFields = {Field{"DATUM", 'D', 8},       Field{"NUMMER", 'C', 20},
                                      Field{"EMPFAENGER", 'C', 40}, Field{"DATEI", 'C', 150},
                                      Field{"STATUS", 'C', 10},     Field{"ERROR", 'C', 50}};

std::string Pad(std::string text, std::size_t length) {
  text.resize(length, ' ');
  return text;
}

// The fields of a record follow from its id alone, so that a repeated id repeats the record.
std::string MakeRecord(std::uint64_t id, bool umlautInRecipient) {
  std::mt19937_64 random(id);
  std::string record = " ";
  record += Pad(std::to_string(20000101 + id % 9 * 10000 + id % 12 * 100 + id % 28), 8);
  record += Pad("+49 30 " + std::to_string(1000000 + random() % 9000000), 20);
  const char* recipient = umlautInRecipient ? "Empf\x84nger " : "Empfaenger ";  // OEM ä
  record += Pad(recipient + std::to_string(random() % 5000), 40);
  record += Pad(
      "D:\\Merlo\\Fax\\Archiv\\" + std::to_string(id % 100) + "\\fax" + std::to_string(id) + ".pdf",
      150);
  record += Pad(id % 5 ? "OK" : "BUSY", 10);
  record += Pad(id % 4 ? std::string() : "Leitung besetzt\r\n", 50);
  return record;
}

std::vector<char> Header(std::int64_t count) {
  std::vector<char> h(kGeneratedHeaderLength, 0);
  h[0] = 0x03;
  h[1] = 126;
  h[2] = 1;
  h[3] = 1;
  for (int i = 0; i < 4; ++i)
    h[4 + static_cast<std::size_t>(i)] = static_cast<char>(count >> (8 * i));
  h[8] = static_cast<char>(kGeneratedHeaderLength & 0xFF);
  h[9] = static_cast<char>(kGeneratedHeaderLength >> 8);
  h[10] = static_cast<char>(kGeneratedRecordLength & 0xFF);
  h[11] = static_cast<char>(kGeneratedRecordLength >> 8);
  for (std::size_t k = 0; k < kFields.size(); ++k) {
    char* d = &h[32 + 32 * k];
    for (std::size_t c = 0; kFields[k].name[c] != 0; ++c) d[c] = kFields[k].name[c];
    d[11] = kFields[k].type;
    d[16] = static_cast<char>(kFields[k].length);
  }
  h[kGeneratedHeaderLength - 1] = 0x0D;
  return h;
}

}  // namespace

void WriteGeneratedJournal(const std::string& path, const JournalShape& shape) {
  std::mt19937_64 random(shape.seed);
  std::uniform_real_distribution<double> share(0.0, 1.0);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  const std::vector<char> header = Header(shape.records);
  out.write(header.data(), static_cast<std::streamsize>(header.size()));
  const std::uint64_t firstId = shape.seed * 100000000ull;
  std::uint64_t nextId = firstId;
  std::string block;
  for (std::int64_t i = 0; i < shape.records; ++i) {
    const bool repeat = i > 0 && share(random) < shape.duplicateShare;
    const std::uint64_t id = repeat ? firstId + random() % (nextId - firstId) : nextId++;
    std::string record = MakeRecord(id, shape.umlautInRecipient);
    if (shape.deletedShare > 0 && share(random) < shape.deletedShare) record[0] = '*';
    block += record;
    if (block.size() > (1u << 20)) {
      out.write(block.data(), static_cast<std::streamsize>(block.size()));
      block.clear();
    }
  }
  block += '\x1A';
  out.write(block.data(), static_cast<std::streamsize>(block.size()));
}

}  // namespace dbt::bench
