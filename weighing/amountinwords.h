#pragma once
// The ticket's charge in words, with Indian grouping (lakh, thousand,
// hundred) and the currency words "Rupees" and "Paise".
#include <QString>
#include <cstdint>

namespace aminv {

// The charge in words as the ticket stores and prints it.
QString AmountInWords(double amount);

// The words for 1 to 100; "" for any other n.
QString NumberWords(int16_t n);

} // namespace aminv
