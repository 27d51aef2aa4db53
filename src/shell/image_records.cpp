#include "shell/image_records.h"

#include "shell/console.h"

namespace tessaro {

std::int32_t ReadImageRecords(Console& c, const std::string& noun, ListEnd end) {
  Module1& m = c.module;
  const std::string number = "point number of an " + noun, x = "x of an " + noun,
                    y = "y of an " + noun;
  return m.ImgPointCount = ReadRecordsUntilEnd([&](std::int32_t k) {
           m.ReserveImagePoints(k);
           ReadFields(c.job.Channel1, In(m.ImgPointNo(k), number), In(m.ImgX(k), x),
                      In(m.ImgY(k), y));
           PrintItems(c.job.Channel5, {m.ImgPointNo(k), Comma, m.ImgX(k), Comma, m.ImgY(k)});
           return end == ListEnd::NumberZero
                      ? m.ImgPointNo(k) == 0
                      : m.ImgPointNo(k) == 0 && m.ImgX(k) == 0 && m.ImgY(k) == 0;
         });
}

}  // namespace tessaro
