#include "geo/CountryTable.h"

namespace {

// Rows 1..239 follow the alphabetical order of the names; 240..249 were added after them. The
// grave accent stands for the apostrophe, and codes repeat (ZW, GB/UK, TL/TP) on purpose.
constexpr std::array<CountryRow, 249> kRows = {{
    {"AF", "AFGHANISTAN"},                                  // 1
    {"AL", "ALBANIA"},                                      // 2
    {"DZ", "ALGERIA"},                                      // 3
    {"AS", "AMERICAN SAMOA"},                               // 4
    {"AD", "ANDORRA"},                                      // 5
    {"AO", "ANGOLA"},                                       // 6
    {"AI", "ANGUILLA"},                                     // 7
    {"AQ", "ANTARCTICA"},                                   // 8
    {"AG", "ANTIGUA AND BARBUDA"},                          // 9
    {"AR", "ARGENTINA"},                                    // 10
    {"AM", "ARMENIA"},                                      // 11
    {"AW", "ARUBA"},                                        // 12
    {"AU", "AUSTRALIA"},                                    // 13
    {"AT", "AUSTRIA"},                                      // 14
    {"AZ", "AZERBAIJAN"},                                   // 15
    {"BS", "BAHAMAS"},                                      // 16
    {"BH", "BAHRAIN"},                                      // 17
    {"BD", "BANGLADESH"},                                   // 18
    {"BB", "BARBADOS"},                                     // 19
    {"BY", "BELARUS"},                                      // 20
    {"BE", "BELGIUM"},                                      // 21
    {"BZ", "BELIZE"},                                       // 22
    {"BJ", "BENIN"},                                        // 23
    {"BM", "BERMUDA"},                                      // 24
    {"BT", "BHUTAN"},                                       // 25
    {"BO", "BOLIVIA"},                                      // 26
    {"BA", "BOSNIA AND HERZEGOVINA"},                       // 27
    {"BW", "BOTSWANA"},                                     // 28
    {"BV", "BOUVET ISLAND"},                                // 29
    {"BR", "BRAZIL"},                                       // 30
    {"IO", "BRITISH INDIAN OCEAN TERRITORY"},               // 31
    {"BN", "BRUNEI DARUSSALAM"},                            // 32
    {"BG", "BULGARIA"},                                     // 33
    {"BF", "BURKINA FASO"},                                 // 34
    {"BI", "BURUNDI"},                                      // 35
    {"KH", "CAMBODIA"},                                     // 36
    {"CM", "CAMEROON"},                                     // 37
    {"CA", "CANADA"},                                       // 38
    {"CV", "CAPE VERDE"},                                   // 39
    {"KY", "CAYMAN ISLANDS"},                               // 40
    {"CF", "CENTRAL AFRICAN REPUBLIC"},                     // 41
    {"TD", "CHAD"},                                         // 42
    {"CL", "CHILE"},                                        // 43
    {"CN", "CHINA"},                                        // 44
    {"CX", "CHRISTMAS ISLAND"},                             // 45
    {"CC", "COCOS (KEELING) ISLANDS"},                      // 46
    {"CO", "COLOMBIA"},                                     // 47
    {"KM", "COMOROS"},                                      // 48
    {"CG", "CONGO"},                                        // 49
    {"CD", "CONGO, THE DEMOCRATIC REPUBLIC OF THE"},        // 50
    {"CK", "COOK ISLANDS"},                                 // 51
    {"CR", "COSTA RICA"},                                   // 52
    {"CI", "COTE D`IVOIRE"},                                // 53
    {"HR", "CROATIA"},                                      // 54
    {"CU", "CUBA"},                                         // 55
    {"CY", "CYPRUS"},                                       // 56
    {"CZ", "CZECH REPUBLIC"},                               // 57
    {"DK", "DENMARK"},                                      // 58
    {"DJ", "DJIBOUTI"},                                     // 59
    {"DM", "DOMINICA"},                                     // 60
    {"DO", "DOMINICAN REPUBLIC"},                           // 61
    {"EC", "ECUADOR"},                                      // 62
    {"EG", "EGYPT"},                                        // 63
    {"SV", "EL SALVADOR"},                                  // 64
    {"GQ", "EQUATORIAL GUINEA"},                            // 65
    {"ER", "ERITREA"},                                      // 66
    {"EE", "ESTONIA"},                                      // 67
    {"ET", "ETHIOPIA"},                                     // 68
    {"FK", "FALKLAND ISLANDS"},                             // 69
    {"FO", "FAROE ISLANDS"},                                // 70
    {"FJ", "FIJI"},                                         // 71
    {"FI", "FINLAND"},                                      // 72
    {"FR", "FRANCE"},                                       // 73
    {"GF", "FRENCH GUIANA"},                                // 74
    {"PF", "FRENCH POLYNESIA"},                             // 75
    {"TF", "FRENCH SOUTHERN TERRITORIES"},                  // 76
    {"GA", "GABON"},                                        // 77
    {"GM", "GAMBIA"},                                       // 78
    {"GE", "GEORGIA"},                                      // 79
    {"DE", "GERMANY"},                                      // 80
    {"GH", "GHANA"},                                        // 81
    {"GI", "GIBRALTAR"},                                    // 82
    {"GR", "GREECE"},                                       // 83
    {"GL", "GREENLAND"},                                    // 84
    {"GD", "GRENADA"},                                      // 85
    {"GP", "GUADELOUPE"},                                   // 86
    {"GU", "GUAM"},                                         // 87
    {"GT", "GUATEMALA"},                                    // 88
    {"GN", "GUINEA"},                                       // 89
    {"GW", "GUINEA-BISSAU"},                                // 90
    {"GY", "GUYANA"},                                       // 91
    {"HT", "HAITI"},                                        // 92
    {"HM", "HEARD ISLAND AND MCDONALD ISLANDS"},            // 93
    {"VA", "HOLY SEE (VATICAN CITY STATE)"},                // 94
    {"HN", "HONDURAS"},                                     // 95
    {"HK", "HONG KONG"},                                    // 96
    {"HU", "HUNGARY"},                                      // 97
    {"IS", "ICELAND"},                                      // 98
    {"IN", "INDIA"},                                        // 99
    {"ID", "INDONESIA"},                                    // 100
    {"IR", "IRAN, ISLAMIC REPUBLIC OF"},                    // 101
    {"IQ", "IRAQ"},                                         // 102
    {"IE", "IRELAND"},                                      // 103
    {"IL", "ISRAEL"},                                       // 104
    {"IT", "ITALY"},                                        // 105
    {"JM", "JAMAICA"},                                      // 106
    {"JP", "JAPAN"},                                        // 107
    {"JO", "JORDAN"},                                       // 108
    {"KZ", "KAZAKHSTAN"},                                   // 109
    {"KE", "KENYA"},                                        // 110
    {"KI", "KIRIBATI"},                                     // 111
    {"KP", "KOREA, DEMOCRATIC PEOPLE`S REPUBLIC OF"},       // 112
    {"KR", "KOREA, REPUBLIC OF"},                           // 113
    {"KW", "KUWAIT"},                                       // 114
    {"KG", "KYRGYZSTAN"},                                   // 115
    {"LA", "LAO PEOPLE`S DEMOCRATIC REPUBLIC"},             // 116
    {"LV", "LATVIA"},                                       // 117
    {"LB", "LEBANON"},                                      // 118
    {"LS", "LESOTHO"},                                      // 119
    {"LR", "LIBERIA"},                                      // 120
    {"LY", "LIBYAN ARAB JAMAHIRIYA"},                       // 121
    {"LI", "LIECHTENSTEIN"},                                // 122
    {"LT", "LITHUANIA"},                                    // 123
    {"LU", "LUXEMBOURG"},                                   // 124
    {"MO", "MACAO"},                                        // 125
    {"MK", "MACEDONIA, THE FORMER YUGOSLAV REPUBLIC OF"},   // 126
    {"MG", "MADAGASCAR"},                                   // 127
    {"MW", "MALAWI"},                                       // 128
    {"MY", "MALAYSIA"},                                     // 129
    {"MV", "MALDIVES"},                                     // 130
    {"ML", "MALI"},                                         // 131
    {"MT", "MALTA"},                                        // 132
    {"MH", "MARSHALL ISLANDS"},                             // 133
    {"MQ", "MARTINIQUE"},                                   // 134
    {"MR", "MAURITANIA"},                                   // 135
    {"MU", "MAURITIUS"},                                    // 136
    {"YT", "MAYOTTE"},                                      // 137
    {"MX", "MEXICO"},                                       // 138
    {"FM", "MICRONESIA, FEDERATED STATES OF"},              // 139
    {"MD", "MOLDOVA, REPUBLIC OF"},                         // 140
    {"MC", "MONACO"},                                       // 141
    {"MN", "MONGOLIA"},                                     // 142
    {"MS", "MONTSERRAT"},                                   // 143
    {"MA", "MOROCCO"},                                      // 144
    {"MZ", "MOZAMBIQUE"},                                   // 145
    {"MM", "MYANMAR"},                                      // 146
    {"NA", "NAMIBIA"},                                      // 147
    {"NR", "NAURU"},                                        // 148
    {"NP", "NEPAL"},                                        // 149
    {"NL", "NETHERLANDS"},                                  // 150
    {"AN", "NETHERLANDS ANTILLES"},                         // 151
    {"NC", "NEW CALEDONIA"},                                // 152
    {"NZ", "NEW ZEALAND"},                                  // 153
    {"NI", "NICARAGUA"},                                    // 154
    {"NE", "NIGER"},                                        // 155
    {"NG", "NIGERIA"},                                      // 156
    {"NU", "NIUE"},                                         // 157
    {"NF", "NORFOLK ISLAND"},                               // 158
    {"MP", "NORTHERN MARIANA ISLANDS"},                     // 159
    {"NO", "NORWAY"},                                       // 160
    {"OM", "OMAN"},                                         // 161
    {"PK", "PAKISTAN"},                                     // 162
    {"PW", "PALAU"},                                        // 163
    {"PS", "PALESTINIAN TERRITORY, OCCUPIED"},              // 164
    {"PA", "PANAMA"},                                       // 165
    {"PG", "PAPUA NEW GUINEA"},                             // 166
    {"PY", "PARAGUAY"},                                     // 167
    {"PE", "PERU"},                                         // 168
    {"PH", "PHILIPPINES"},                                  // 169
    {"PN", "PITCAIRN"},                                     // 170
    {"PL", "RZECZPOSPOLITA POLSKA"},                        // 171
    {"PT", "PORTUGAL"},                                     // 172
    {"PR", "PUERTO RICO"},                                  // 173
    {"QA", "QATAR"},                                        // 174
    {"RE", "REUNION"},                                      // 175
    {"RO", "ROMANIA"},                                      // 176
    {"RU", "RUSSIAN FEDERATION"},                           // 177
    {"RW", "RWANDA"},                                       // 178
    {"SH", "SAINT HELENA"},                                 // 179
    {"KN", "SAINT KITTS AND NEVIS"},                        // 180
    {"LC", "SAINT LUCIA"},                                  // 181
    {"PM", "SAINT PIERRE AND MIQUELON"},                    // 182
    {"VC", "SAINT VINCENT AND THE GRENADINES"},             // 183
    {"WS", "SAMOA"},                                        // 184
    {"SM", "SAN MARINO"},                                   // 185
    {"ST", "SAO TOME AND PRINCIPE"},                        // 186
    {"SA", "SAUDI ARABIA"},                                 // 187
    {"SN", "SENEGAL"},                                      // 188
    {"CS", "SERBIA AND MONTENEGRO"},                        // 189
    {"SC", "SEYCHELLES"},                                   // 190
    {"SL", "SIERRA LEONE"},                                 // 191
    {"SG", "SINGAPORE"},                                    // 192
    {"SK", "SLOVAKIA"},                                     // 193
    {"SI", "SLOVENIA"},                                     // 194
    {"SB", "SOLOMON ISLANDS"},                              // 195
    {"SO", "SOMALIA"},                                      // 196
    {"ZA", "SOUTH AFRICA"},                                 // 197
    {"GS", "SOUTH GEORGIA AND THE SOUTH SANDWICH ISLANDS"}, // 198
    {"ES", "SPAIN"},                                        // 199
    {"LK", "SRI LANKA"},                                    // 200
    {"SD", "SUDAN"},                                        // 201
    {"SR", "SURINAME"},                                     // 202
    {"SJ", "SVALBARD AND JAN MAYEN"},                       // 203
    {"SZ", "SWAZILAND"},                                    // 204
    {"SE", "SWEDEN"},                                       // 205
    {"CH", "SWITZERLAND"},                                  // 206
    {"SY", "SYRIAN ARAB REPUBLIC"},                         // 207
    {"TW", "TAIWAN"},                                       // 208
    {"TJ", "TAJIKISTAN"},                                   // 209
    {"TZ", "TANZANIA, UNITED REPUBLIC OF"},                 // 210
    {"TH", "THAILAND"},                                     // 211
    {"TL", "TIMOR-LESTE"},                                  // 212
    {"TG", "TOGO"},                                         // 213
    {"TK", "TOKELAU"},                                      // 214
    {"TO", "TONGA"},                                        // 215
    {"TT", "TRINIDAD AND TOBAGO"},                          // 216
    {"TN", "TUNISIA"},                                      // 217
    {"TR", "TURKEY"},                                       // 218
    {"TM", "TURKMENISTAN"},                                 // 219
    {"TC", "TURKS AND CAICOS ISLANDS"},                     // 220
    {"TV", "TUVALU"},                                       // 221
    {"UG", "UGANDA"},                                       // 222
    {"UA", "UKRAINE"},                                      // 223
    {"AE", "UNITED ARAB EMIRATES"},                         // 224
    {"GB", "UNITED KINGDOM"},                               // 225
    {"US", "UNITED STATES"},                                // 226
    {"UM", "UNITED STATES MINOR OUTLYING ISLANDS"},         // 227
    {"UY", "URUGUAY"},                                      // 228
    {"UZ", "UZBEKISTAN"},                                   // 229
    {"VU", "VANUATU"},                                      // 230
    {"VE", "VENEZUELA"},                                    // 231
    {"VN", "VIET NAM"},                                     // 232
    {"VG", "VIRGIN ISLANDS, BRITISH"},                      // 233
    {"VI", "VIRGIN ISLANDS, U.S."},                         // 234
    {"WF", "WALLIS AND FUTUNA"},                            // 235
    {"EH", "WESTERN SAHARA"},                               // 236
    {"YE", "YEMEN"},                                        // 237
    {"ZM", "ZAMBIA"},                                       // 238
    {"ZW", "ZIMBABWE"},                                     // 239
    {"UK", "UNITED KINGDOM"},                               // 240
    {"EU", "EUROPEAN UNION"},                               // 241
    {"YU", "YUGOSLAVIA"},                                   // 242
    {"ZW", "ZIMBABWE"},                                     // 243
    {"AP", "ARIPO"},                                        // 244
    {"AC", "ASCENSION ISLAND"},                             // 245
    {"GG", "GUERNSEY"},                                     // 246
    {"IM", "ISLE OF MAN"},                                  // 247
    {"JE", "JERSEY"},                                       // 248
    {"TP", "EAST TIMOR"},                                   // 249
}};

} // namespace

const std::array<CountryRow, 249>& CountryRows() {
    return kRows;
}
