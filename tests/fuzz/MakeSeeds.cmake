# Builds the fuzz seed folder: the golden files, and documents nested 200,000
# levels deep in the places each loader walks. Generated here rather than kept
# in the repository: each is over a megabyte.
#   cmake -DGOLDEN_DIR=... -DSEED_DIR=... -P MakeSeeds.cmake
cmake_minimum_required(VERSION 3.25)
if(NOT GOLDEN_DIR OR NOT SEED_DIR)
  message(FATAL_ERROR "GOLDEN_DIR and SEED_DIR are required")
endif()
set(depth 200000)
file(MAKE_DIRECTORY "${SEED_DIR}")
file(GLOB golden "${GOLDEN_DIR}/*.xml")
file(COPY ${golden} DESTINATION "${SEED_DIR}")

string(REPEAT "<a>" ${depth} open)
string(REPEAT "</a>" ${depth} close)
set(decl "<?xml version=\"1.0\"?>\n")
file(WRITE "${SEED_DIR}/deep-plain.xml" "${decl}${open}${close}")
file(WRITE "${SEED_DIR}/deep-unclosed.xml" "${decl}${open}")
file(WRITE "${SEED_DIR}/deep-effect.xml" "${decl}<effect sel=\"1\"><item speed=\"1\">${open}${close}</item></effect>")
file(WRITE "${SEED_DIR}/deep-macro.xml"
     "${decl}<config repeat=\"2\" /><macro><group name=\"g\"><item code=\"4\">${open}${close}</item></group></macro>")
file(WRITE "${SEED_DIR}/deep-record.xml" "${decl}<record code=\"70004\"><item code=\"70005\">${open}${close}</item></record>")
file(WRITE "${SEED_DIR}/deep-config.xml"
     "${decl}<funkey><k name=\"x\" code=\"1\">${open}${close}</k></funkey><combkey><c code=\"1:2\">${open}${close}</c></combkey>")
file(WRITE "${SEED_DIR}/deep-settings.xml"
     "${decl}<kbsettings version=\"1\"><macros><config /><macro><group name=\"g\"><item code=\"4\" state=\"1\" delay=\"0\">${open}${close}</item></group></macro></macros></kbsettings>")
