# Reading any bytes ends in cards and problems; every card read writes as a vCard 4.0 that
# reads back to the same card, without problems.
fetemark_fuzz_target(vcard VCardFuzz.cpp)
