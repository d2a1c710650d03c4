#pragma once

#include <QString>

// The explanatory texts of the calibration window, kept exactly as the station's
// users have always read them (spelling included).
namespace caltext {

// Label7
inline const QString sliderHint = QStringLiteral("Slider Hint: The \"Sliders\" used to enter values on many of the tabs above, is best used in conjuction with the left and right arrow key on your keyboard. Once a slider has the focus(click on slider), pressing the right or left arrow key will change the sliders setting by the smallest possible amount.");
// Label1(36)
inline const QString temperature = QStringLiteral("A temperature reading more than 5°F in error in indicates a bad temp probe or connection!");
// Label2(1)
inline const QString humidity = QStringLiteral("The sensor supplied with the ORV weather station has been factory calibrated for maximum accuracy.  Please do not change these values unless you are sure that an incorrect reading is being reported.  If you must change the values, change the 75.3% setting in increments of .020 or less.  Increasing the value reduces the reported humidity!");
// Label1(34)
inline const QString pressure = QStringLiteral("You will need to obtain the correct SEA LEVEL pressure for your location.");
// Label1(37)
inline const QString windOptions = QStringLiteral("These setting are only available on the latest versions of ORV stations. On older systems, DIP switches on the back of console control these settings.");
// Label1(38)
inline const QString solar = QStringLiteral("Unless a new solar radiation sensor has been installed, do not change this value as it is specific to each solar radiation sensor and has been factory calibrated for maximum accuracy!");
// Label1(39)
inline const QString lightning = QStringLiteral("If your weather station has data logging capability, a log record will be written at the top of each hour detailing the past hours lightning activity if at any point during the hour the number of lighning count in any givin minute equals or exceeds the value specified above. 4 is a recomended starting point.");
// Label1(40)
inline const QString leafWetness = QStringLiteral("Set the leaf wetness reading that will be considered a \"wet\" condition. 0 is bone dry with 100 being dripping wet. 50 is the recomended setting.");
// Label5(0)
inline const QString logging = QStringLiteral("This tab allows setting the time interval between data logging events by your weather station. Logging events are snapshots of the current weather.  When selecting an logging interval, keep in mind the total number of records that can be stored in your weather station.  Make sure you select a value that works with your schedule.  Check your weather station manual for information on your Weather stations logging capacity.");
// Label5(1)
inline const QString reporting = QStringLiteral("This tab allows setting the time interval between serial port automatic output events by your weather station. This is designed for use by a serial printer attached to the serial port of the weather station.  Use the report flags tab to configure what type of data is sent. If you are using Nimbraview 32 with this station, the report interval should be set to 0 which will disable output.");
// Label1(43)
inline const QString dtr = QStringLiteral("This option is used to configure the weather station to ignore serial input for the number of seconds specified above when the serial port on the device connected to the weather station is opened. This is useful when making modem connections and during boot-up of Windows NT which can send un-wanted data to ther serial port which could cause unexpected results if this data mimicks ORV weather station serial commands.");
// Label1(35)
inline const QString windOffset = QStringLiteral("When setting this value, a good way to determine the correct offset is to set the offset to zero, look at the wind direction indicator and note the correct wind direction. Now note what the weather stations console is reading. For instance, if your eyes tell you the wind is from the NE (45°), and the station is reporting NW (315°) the correct offset would be 270°. If the values were reversed, the offset would be 90°. This is best done under calm wind conditions!");
// Label2
inline const QString baudRate = QStringLiteral(" When changing the baud rate of the weather station, ORV CAL will also set the baud rate of the connection from your computer to match.  If you are connected via a serial cable to the weather station this will be seamless.  However, if this is a modem connection you will be disconnected after the change is made and returned to ORV CAL startup screen..");

} // namespace caltext
