#!/usr/bin/env python3
"""check_example_files.py [png FILE] [grey FILE] [avi FILE SECONDS] ...

Reads back what the examples wrote, with decoders that share no code with the library:
the PNG with Pillow (png: a 640 x 512 colour picture that is not blank; grey: an 8-bit grey
one, smooth as grey computed from colour is, not the sensor's colour mosaic), the AVI with
ffprobe (uncompressed 640 x 512 frames lasting about the seconds asked for)."""
import subprocess
import sys

from PIL import Image


# Grey from colour differs by about 1.5 from pixel to pixel in the simulated scene, the mosaic by 35.
MOSAIC_ROUGHNESS = 8.0

def check_png(path):
    with Image.open(path) as picture:
        picture.load()
        if picture.format != "PNG" or picture.size != (640, 512) or picture.mode != "RGB":
            return f"{picture.format} {picture.size} {picture.mode}, not a 640 x 512 RGB PNG"
        low, high = zip(*picture.getextrema())
        if max(high) - min(low) < 64:
            return f"nearly blank: samples {min(low)}..{max(high)}"
    return None


def check_grey_png(path):
    with Image.open(path) as picture:
        picture.load()
        if picture.format != "PNG" or picture.size != (640, 512) or picture.mode != "L":
            return f"{picture.format} {picture.size} {picture.mode}, not a 640 x 512 8-bit grey PNG"
        low, high = picture.getextrema()
        if high - low < 64:
            return f"nearly blank: samples {low}..{high}"
        # The mosaic alternates between the sites of different colours from pixel to pixel.
        pixels = picture.tobytes()
        steps = [abs(pixels[i] - pixels[i + 1]) for i in range(0, len(pixels) - 1) if (i + 1) % 640]
        roughness = sum(steps) / len(steps)
        if roughness > MOSAIC_ROUGHNESS:
            return f"neighbouring pixels differ by {roughness:.1f} on average: the colour mosaic, not grey"
    return None


def check_avi(path, seconds):
    probe = subprocess.run(
        ["ffprobe", "-v", "error", "-count_frames", "-select_streams", "v:0", "-of", "default=nw=1",
         "-show_entries", "stream=codec_name,width,height,nb_read_frames,avg_frame_rate", path],
        capture_output=True, text=True)
    if probe.returncode != 0:
        return "ffprobe cannot read it: " + probe.stderr.strip()
    fields = dict(line.split("=", 1) for line in probe.stdout.split())
    if (fields.get("codec_name"), fields.get("width"), fields.get("height")) != ("rawvideo", "640", "512"):
        return f"not 640 x 512 uncompressed video: {fields}"
    frames = int(fields["nb_read_frames"])
    num, den = (int(x) for x in fields["avg_frame_rate"].split("/"))
    length = frames * den / num if num else 0
    # the time counts from the first picture; a loaded machine may deliver a few less
    if frames < 10 or not 0.7 * seconds <= length <= 1.3 * seconds:
        return f"{frames} frames at {num}/{den} per second: {length:.2f} s, not about {seconds} s"
    return None


def main(args):
    failures = 0
    while args:
        kind, path = args[0], args[1]
        if kind in ("png", "grey"):
            problem, args = (check_png if kind == "png" else check_grey_png)(path), args[2:]
        else:
            problem, args = check_avi(path, float(args[2])), args[3:]
        print(f"{path}: {problem or 'ok'}")
        failures += problem is not None
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
