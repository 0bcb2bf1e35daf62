#include "RawZip.h"

#include <zlib.h>

#include <fstream>
#include <stdexcept>

namespace velra::test {

namespace {

void Put16(std::string& out, uint32_t value) {
  out.push_back(static_cast<char>(value & 0xFF));
  out.push_back(static_cast<char>(value >> 8 & 0xFF));
}

void Put32(std::string& out, uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

void Put64(std::string& out, uint64_t value) {
  Put32(out, static_cast<uint32_t>(value));
  Put32(out, static_cast<uint32_t>(value >> 32));
}

uint32_t Crc(std::string_view bytes, uint32_t crc = 0) {
  return static_cast<uint32_t>(
      crc32(crc, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

// The CRC of `repeats` copies of a piece with this CRC and length, by doubling.
uint32_t RepeatedCrc(uint32_t pieceCrc, uint64_t pieceLength, uint64_t repeats) {
  uint32_t result = 0;
  uint64_t resultLength = 0;
  uint32_t power = pieceCrc;
  uint64_t powerLength = pieceLength;
  while (repeats > 0) {
    if (repeats & 1) {
      result =
          static_cast<uint32_t>(crc32_combine(result, power, static_cast<z_off_t>(powerLength)));
      resultLength += powerLength;
    }
    power = static_cast<uint32_t>(crc32_combine(power, power, static_cast<z_off_t>(powerLength)));
    powerLength *= 2;
    repeats >>= 1;
  }
  return result;
}

// Raw deflate of `input` with the given flush, continuing the stream.
std::string Deflate(z_stream& stream, std::string_view input, int flush) {
  std::string out;
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
  stream.avail_in = static_cast<uInt>(input.size());
  char buffer[64 * 1024];
  do {
    stream.next_out = reinterpret_cast<Bytef*>(buffer);
    stream.avail_out = sizeof buffer;
    if (deflate(&stream, flush) == Z_STREAM_ERROR) throw std::runtime_error("deflate failed");
    out.append(buffer, sizeof buffer - stream.avail_out);
  } while (stream.avail_out == 0 || stream.avail_in > 0);
  return out;
}

}  // namespace

RawZipEntry StoredEntry(std::string name, std::string_view content) {
  RawZipEntry entry;
  entry.name = std::move(name);
  entry.data = std::string(content);
  entry.crc = Crc(content);
  entry.size = content.size();
  return entry;
}

RawZipEntry RepeatedEntry(std::string name, std::string_view head, std::string_view chunk,
                          uint64_t repeats, std::string_view tail) {
  z_stream stream{};
  if (deflateInit2(&stream, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK)
    throw std::runtime_error("deflateInit2 failed");
  RawZipEntry entry;
  entry.name = std::move(name);
  entry.deflated = true;
  entry.data = Deflate(stream, head, Z_FULL_FLUSH);
  // After a full flush the compressor starts without history, so the chunk compresses to the
  // same bytes every time.
  const std::string compressedChunk = Deflate(stream, chunk, Z_FULL_FLUSH);
  if (Deflate(stream, chunk, Z_FULL_FLUSH) != compressedChunk)
    throw std::runtime_error("deflate is not repeatable");
  std::string compressedTail = Deflate(stream, tail, Z_FINISH);
  deflateEnd(&stream);
  entry.data.reserve(entry.data.size() + compressedChunk.size() * repeats + compressedTail.size());
  for (uint64_t i = 0; i < repeats; ++i) entry.data += compressedChunk;
  entry.data += compressedTail;

  entry.size = head.size() + chunk.size() * repeats + tail.size();
  uint32_t crc = Crc(head);
  crc = static_cast<uint32_t>(crc32_combine(crc, RepeatedCrc(Crc(chunk), chunk.size(), repeats),
                                            static_cast<z_off_t>(chunk.size() * repeats)));
  entry.crc =
      static_cast<uint32_t>(crc32_combine(crc, Crc(tail), static_cast<z_off_t>(tail.size())));
  entry.zip64 = entry.size >= 0xFFFFFFFFull;
  return entry;
}

std::string Inflate(const RawZipEntry& entry) {
  if (!entry.deflated) return entry.data;
  z_stream stream{};
  inflateInit2(&stream, -15);
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(entry.data.data()));
  stream.avail_in = static_cast<uInt>(entry.data.size());
  std::string out;
  char buffer[64 * 1024];
  int rc;
  do {
    stream.next_out = reinterpret_cast<Bytef*>(buffer);
    stream.avail_out = sizeof buffer;
    rc = inflate(&stream, Z_NO_FLUSH);
    out.append(buffer, sizeof buffer - stream.avail_out);
  } while (rc == Z_OK);
  inflateEnd(&stream);
  if (rc != Z_STREAM_END) throw std::runtime_error("inflate failed");
  return out;
}

void WriteRawZip(const std::string& path, const std::vector<RawZipEntry>& entries) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  std::string central;
  uint64_t offset = 0;
  for (const RawZipEntry& entry : entries) {
    const uint64_t size = entry.claimedSize ? entry.claimedSize : entry.size;
    const uint64_t packed = entry.data.size();
    const bool zip64 = entry.zip64 || size >= 0xFFFFFFFFull;
    const uint32_t method = entry.deflated ? 8 : 0;
    const uint32_t version = zip64 ? 45 : 20;
    std::string extra;
    if (zip64) {
      Put16(extra, 1);
      Put16(extra, 16);
      Put64(extra, size);
      Put64(extra, packed);
    }
    std::string local;
    Put32(local, 0x04034b50);
    Put16(local, version);
    Put16(local, 0x0800);  // names in UTF-8
    Put16(local, method);
    Put16(local, 0);
    Put16(local, 0x21);
    Put32(local, entry.crc);
    Put32(local, zip64 ? 0xFFFFFFFFu : static_cast<uint32_t>(packed));
    Put32(local, zip64 ? 0xFFFFFFFFu : static_cast<uint32_t>(size));
    Put16(local, static_cast<uint32_t>(entry.name.size()));
    Put16(local, static_cast<uint32_t>(extra.size()));
    local += entry.name;
    local += extra;
    file.write(local.data(), static_cast<std::streamsize>(local.size()));
    file.write(entry.data.data(), static_cast<std::streamsize>(entry.data.size()));

    Put32(central, 0x02014b50);
    Put16(central, 0x0300 | version);
    Put16(central, version);
    Put16(central, 0x0800);
    Put16(central, method);
    Put16(central, 0);
    Put16(central, 0x21);
    Put32(central, entry.crc);
    Put32(central, zip64 ? 0xFFFFFFFFu : static_cast<uint32_t>(packed));
    Put32(central, zip64 ? 0xFFFFFFFFu : static_cast<uint32_t>(size));
    Put16(central, static_cast<uint32_t>(entry.name.size()));
    Put16(central, static_cast<uint32_t>(extra.size()));
    Put16(central, 0);
    Put16(central, 0);
    Put16(central, 0);
    Put32(central, 0100644u << 16);
    Put32(central, static_cast<uint32_t>(offset));
    central += entry.name;
    central += extra;
    offset += local.size() + entry.data.size();
  }
  std::string end;
  Put32(end, 0x06054b50);
  Put16(end, 0);
  Put16(end, 0);
  Put16(end, static_cast<uint32_t>(entries.size()));
  Put16(end, static_cast<uint32_t>(entries.size()));
  Put32(end, static_cast<uint32_t>(central.size()));
  Put32(end, static_cast<uint32_t>(offset));
  Put16(end, 0);
  file.write(central.data(), static_cast<std::streamsize>(central.size()));
  file.write(end.data(), static_cast<std::streamsize>(end.size()));
  if (!file) throw std::runtime_error("cannot write " + path);
}

std::string XmlEscaped(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::vector<RawZipEntry> WorkbookParts(const std::vector<std::string>& sheetNames,
                                       std::string_view sharedStrings) {
  const std::string relationships =
      R"(xmlns="http://schemas.openxmlformats.org/package/2006/relationships")";
  const std::string types = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
  std::vector<RawZipEntry> parts;
  parts.push_back(StoredEntry(
      "_rels/.rels", "<Relationships " + relationships + "><Relationship Id=\"rId1\" Type=\"" +
                         types + "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"));
  std::string sheets, links;
  for (size_t i = 0; i < sheetNames.size(); ++i) {
    const std::string number = std::to_string(i + 1);
    sheets += "<sheet name=\"" + XmlEscaped(sheetNames[i]) + "\" sheetId=\"" + number +
              "\" r:id=\"rId" + number + "\"/>";
    links += "<Relationship Id=\"rId" + number + "\" Type=\"" + types +
             "worksheet\" Target=\"worksheets/sheet" + number + ".xml\"/>";
  }
  if (!sharedStrings.empty())
    links += "<Relationship Id=\"rIdS\" Type=\"" + types +
             "sharedStrings\" Target=\"sharedStrings.xml\"/>";
  parts.push_back(StoredEntry(
      "xl/workbook.xml",
      "<?xml version=\"1.0\"?><workbook "
      "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
      "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>" +
          sheets + "</sheets></workbook>"));
  parts.push_back(StoredEntry("xl/_rels/workbook.xml.rels", "<Relationships " + relationships +
                                                                ">" + links + "</Relationships>"));
  if (!sharedStrings.empty()) parts.push_back(StoredEntry("xl/sharedStrings.xml", sharedStrings));
  return parts;
}

std::string SheetOfTexts(const std::vector<std::vector<std::string>>& rows) {
  std::string xml =
      "<?xml version=\"1.0\"?><worksheet "
      "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";
  for (const auto& row : rows) {
    xml += "<row>";
    for (const std::string& text : row)
      xml += "<c t=\"inlineStr\"><is><t>" + XmlEscaped(text) + "</t></is></c>";
    xml += "</row>";
  }
  return xml + "</sheetData></worksheet>";
}

}  // namespace velra::test
