"""A tone as a WAV file, and an ID3v2.3 tag (title and artist) put in front of a file."""
import math
import struct
import sys
import wave


def write_tone(rate, path, seconds=2, hertz=440):
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(rate)
        samples = (int(12000 * math.sin(2 * math.pi * hertz * i / rate)) for i in range(rate * seconds))
        out.writeframes(b"".join(struct.pack("<h", s) for s in samples))


def text_frame(ident, text):
    body = b"\x00" + text.encode("latin-1")
    return ident + struct.pack(">I", len(body)) + b"\x00\x00" + body


def tagged(path, out_path):
    frames = text_frame(b"TIT2", "Tone") + text_frame(b"TPE1", "Mellifon")
    size = len(frames)
    syncsafe = bytes([(size >> 21) & 0x7F, (size >> 14) & 0x7F, (size >> 7) & 0x7F, size & 0x7F])
    with open(path, "rb") as audio, open(out_path, "wb") as out:
        out.write(b"ID3\x03\x00\x00" + syncsafe + frames + audio.read())


if __name__ == "__main__":
    if sys.argv[1] == "wav":
        write_tone(int(sys.argv[2]), sys.argv[3])
    else:
        tagged(sys.argv[2], sys.argv[3])
