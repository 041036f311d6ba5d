// The offer answer: the JSON value, the offer inside it, and the XML-tagged extras.
#include "package/offer_record.hpp"
#include "package/picture_names.hpp"
#include "require.hpp"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view answer(reinterpret_cast<const char*>(data), size);

    require(lw::firstJsonValueLength(answer) <= answer.size(), "first value inside the answer");
    lw::AnswerReading reading = lw::readOfferAnswer(answer);
    require(!reading.complete() || reading.offer.has_value(), "a complete reading has an offer");
    lw::imageAddresses(reading.offer);
    lw::readAnswerTags(answer);
    lw::readPropertyPictures(answer);
    return 0;
}
