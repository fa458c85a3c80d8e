#!/usr/bin/python3
"""The pictures and the measuring of tools/bench-quality (Debian's python3 with python3-skimage).

  bench_quality.py make FOLDER         writes photo_01.png .. photo_24.png (1600x1200) into FOLDER
  bench_quality.py measure REF JPEG    mean SSIM and total bytes of the JPEGs in folder JPEG against
                                       the lossless PNGs of the same names in folder REF
  bench_quality.py avif REF AVIF JPEG  total bytes and mean SSIM of the AVIFs in folder AVIF (each
                                       decoded beside it as NAME.avif.png), their mean CIEDE2000
                                       against the JPEGs of folder JPEG, and the JPEGs' bytes and SSIM

The photos are real photographs: the colour and grey photographs scikit-image ships (an
astronaut, coffee, a rocket, the Hubble deep field, motorcycles, a retina, a stained tissue,
grass, gravel, brick, a camera man, the moon). Each of the 24 is a mosaic of twelve 400x400
crops at their own resolution, so every pixel carries a photo's own detail and noise; the
crops are drawn with a seed per photo, so every run makes the same 24.
"""
import os
import sys

import numpy as np
from skimage import data, io
from skimage.color import deltaE_ciede2000, gray2rgb, rgb2lab
from skimage.metrics import structural_similarity

PHOTOS = 24
CELL = 400
COLUMNS, ROWS = 4, 3  # 1600 x 1200

SOURCES = ["astronaut", "coffee", "rocket", "hubble_deep_field", "immunohistochemistry", "retina",
           "grass", "gravel", "brick", "camera", "moon"]


def photographs():
    pictures = []
    for name in SOURCES:
        try:
            picture = getattr(data, name)()
        except Exception:  # a photograph this version does not ship
            continue
        if picture.ndim == 2:
            picture = gray2rgb(picture)
        picture = picture[:, :, :3].astype(np.uint8)
        if picture.shape[0] >= CELL and picture.shape[1] >= CELL:
            pictures.append(picture)
    folder = os.path.dirname(data.__file__)
    for name in ("motorcycle_left.png", "motorcycle_right.png"):
        path = os.path.join(folder, name)
        try:
            pictures.append(io.imread(path)[:, :, :3].astype(np.uint8))
        except Exception:
            continue
    return pictures


def make(folder):
    os.makedirs(folder, exist_ok=True)
    pictures = photographs()
    for index in range(1, PHOTOS + 1):
        path = os.path.join(folder, "photo_%02d.png" % index)
        if os.path.exists(path):
            continue
        chance = np.random.RandomState(index)
        mosaic = np.zeros((ROWS * CELL, COLUMNS * CELL, 3), np.uint8)
        for row in range(ROWS):
            for column in range(COLUMNS):
                picture = pictures[chance.randint(len(pictures))]
                top = chance.randint(picture.shape[0] - CELL + 1)
                left = chance.randint(picture.shape[1] - CELL + 1)
                mosaic[row * CELL:(row + 1) * CELL, column * CELL:(column + 1) * CELL] = \
                    picture[top:top + CELL, left:left + CELL]
        io.imsave(path, mosaic, check_contrast=False)
    print("quality: %d photos of %dx%d made of %d photographs" % (PHOTOS, COLUMNS * CELL, ROWS * CELL,
                                                                  len(pictures)))


def measure(reference_folder, jpeg_folder):
    scores = []
    total = 0
    for index in range(1, PHOTOS + 1):
        name = "photo_%02d" % index
        reference = io.imread(os.path.join(reference_folder, name + ".png"))[:, :, :3]
        jpeg_path = os.path.join(jpeg_folder, name + ".jpg")
        jpeg = io.imread(jpeg_path)[:, :, :3]
        if reference.shape != jpeg.shape:
            sys.exit("bench_quality: %s is %s, its reference %s" % (jpeg_path, jpeg.shape, reference.shape))
        scores.append(structural_similarity(reference, jpeg, channel_axis=2, data_range=255))
        total += os.path.getsize(jpeg_path)
    print("%d %.4f" % (total, float(np.mean(scores))))


def avif(reference_folder, avif_folder, jpeg_folder):
    avif_scores, jpeg_scores, differences = [], [], []
    avif_total = jpeg_total = 0
    for index in range(1, PHOTOS + 1):
        name = "photo_%02d" % index
        reference = io.imread(os.path.join(reference_folder, name + ".png"))[:, :, :3]
        avif_path = os.path.join(avif_folder, name + ".avif")
        jpeg_path = os.path.join(jpeg_folder, name + ".jpg")
        decoded = io.imread(avif_path + ".png")[:, :, :3]
        jpeg = io.imread(jpeg_path)[:, :, :3]
        if not reference.shape == decoded.shape == jpeg.shape:
            sys.exit("bench_quality: %s, %s and %s differ in size" % (avif_path, jpeg_path, name))
        avif_scores.append(structural_similarity(reference, decoded, channel_axis=2, data_range=255))
        jpeg_scores.append(structural_similarity(reference, jpeg, channel_axis=2, data_range=255))
        differences.append(float(np.mean(deltaE_ciede2000(rgb2lab(jpeg), rgb2lab(decoded)))))
        avif_total += os.path.getsize(avif_path)
        jpeg_total += os.path.getsize(jpeg_path)
    print("%d %.4f %.2f %d %.4f" % (avif_total, float(np.mean(avif_scores)), float(np.mean(differences)),
                                    jpeg_total, float(np.mean(jpeg_scores))))


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "make":
        make(sys.argv[2])
    elif len(sys.argv) == 4 and sys.argv[1] == "measure":
        measure(sys.argv[2], sys.argv[3])
    elif len(sys.argv) == 5 and sys.argv[1] == "avif":
        avif(sys.argv[2], sys.argv[3], sys.argv[4])
    else:
        sys.exit(__doc__)
