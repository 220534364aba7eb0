// kiv_serial.ino: eight lamps or relays on an Arduino-class board, driven by kiv.exe
// through tavo.dll's serial back end (backend = serial, serial_protocol = byte, the
// board's COM port in serial_port, 115200 baud).
//
// Each byte received sets the eight pins: bit 0 (line D0) on pin 2 ... bit 7 (D7) on
// pin 9 (pins 0 and 1 carry the serial port). The library repeats the last byte every
// half second while the port is open; after 3 s without a byte (the program closed or
// gone, the cable pulled) every pin goes off.

const uint8_t kPins[8] = {2, 3, 4, 5, 6, 7, 8, 9};
const unsigned long kSilenceMs = 3000;

unsigned long lastByteAt = 0;
bool anyOn = false;

void show(uint8_t value) {
  for (uint8_t line = 0; line < 8; ++line)
    digitalWrite(kPins[line], (value >> line) & 1 ? HIGH : LOW);
  anyOn = value != 0;
}

void setup() {
  for (uint8_t line = 0; line < 8; ++line)
    pinMode(kPins[line], OUTPUT);
  show(0);
  Serial.begin(115200);
}

void loop() {
  if (Serial.available() > 0) {
    int value = 0;
    while (Serial.available() > 0)
      value = Serial.read(); // only the latest counts
    show(uint8_t(value));
    lastByteAt = millis();
  } else if (anyOn && millis() - lastByteAt >= kSilenceMs) {
    show(0);
  }
}
