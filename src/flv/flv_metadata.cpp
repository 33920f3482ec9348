#include "flv/flv_metadata.h"

#include <cstdio>
#include <cstring>
#include <string_view>

#include "flv/amf_writer.h"
#include "flv/flv_format.h"
#include "flv/flv_tags.h"

namespace brelvano {

namespace {

constexpr const char* kDayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// A tag field: its text up to the first zero, never beyond the field.
template <size_t N>
std::string_view FieldText(const char (&field)[N]) {
  return std::string_view(field, strnlen(field, N));
}

}  // namespace

std::string FlvCreationDate(const std::tm& local) {
  const int day = local.tm_wday >= 0 && local.tm_wday < 7 ? local.tm_wday : 0;
  const int month = local.tm_mon >= 0 && local.tm_mon < 12 ? local.tm_mon : 0;
  char text[64];
  std::snprintf(text, sizeof text, "%.3s %.3s%3d %.2d:%.2d:%.2d %d\n", kDayNames[day],
                kMonthNames[month], local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                local.tm_year + 1900);
  return text;
}

uint32_t FlvWriteMetadataTag(FlvStream& out, const FlvMetadata& metadata,
                             FlvMetadataPatches& positions) {
  std::tm local{};
  localtime_r(&metadata.created, &local);
  static const _Id3 kNoTags;
  const _Id3& id3 = metadata.id3 ? *metadata.id3 : kNoTags;

  const FlvOpenTag tag = FlvBeginTag(out, kFlvTagScriptData, 0);
  out.PutByte(kAmfString);
  FlvWriteEcmaArrayStart(out, "onMetaData", kFlvMetadataEntryCount);
  FlvWriteStringProperty(out, "creationdate", FlvCreationDate(local));
  FlvWriteStringProperty(out, "metadatacreator", kFlvMetadataCreator);
  FlvWriteDateProperty(out, "metadatadate", static_cast<double>(metadata.created) * 1000.0);
  FlvWriteNumberProperty(out, "duration", &positions.duration, metadata.duration);
  FlvWriteNumberProperty(out, "lasttimestamp", &positions.lastTimestamp, 0);
  FlvWriteNumberProperty(out, "audiodatarate", &positions.audioDataRate, 0);
  FlvWriteNumberProperty(out, "filesize", &positions.fileSize, 0);
  FlvWriteNumberProperty(out, "audiosize", &positions.audioSize, 0);
  FlvWriteNumberProperty(out, "datasize", &positions.dataSize, 0);
  FlvWriteStringProperty(out, "artist", FieldText(id3.artist));
  FlvWriteStringProperty(out, "title", FieldText(id3.song));
  FlvWriteStringProperty(out, "album", FieldText(id3.album));
  FlvWriteStringProperty(out, "year", FieldText(id3.year));
  FlvWriteStringProperty(out, "stopAtBeginning",
                         metadata.stopFlags & kFlvStopAtBeginning ? "true" : "false");
  FlvWriteStringProperty(out, "stopAtEnd", metadata.stopFlags & kFlvStopAtEnd ? "true" : "false");
  FlvWriteObjectEnd(out);
  return FlvEndTag(out, tag);
}

}  // namespace brelvano
