"""Writes short tones with Python's wave module, a real recording writer:
MakeRecordings.py <folder>  ->  tone-mono16.wav, tone-stereo8.wav"""
import math
import os
import struct
import sys
import wave


def write_tone(path, channels, sample_width, rate, seconds):
    frames = bytearray()
    for n in range(int(rate * seconds)):
        value = math.sin(2 * math.pi * 440 * n / rate)
        for _ in range(channels):
            if sample_width == 2:
                frames += struct.pack('<h', int(value * 12000))
            else:
                frames.append(128 + int(value * 100))
    with wave.open(path, 'wb') as out:
        out.setnchannels(channels)
        out.setsampwidth(sample_width)
        out.setframerate(rate)
        out.writeframes(bytes(frames))


folder = sys.argv[1]
os.makedirs(folder, exist_ok=True)
write_tone(os.path.join(folder, 'tone-mono16.wav'), 1, 2, 22050, 0.5)
write_tone(os.path.join(folder, 'tone-stereo8.wav'), 2, 1, 11025, 0.3)
