#!/usr/bin/python3
"""Draws ZiRuri's artwork. It needs Debian's python3-pil, fonts-wqy-microhei and
fonts-dejavu-core.

/usr/bin/python3 tools/art/make_art.py
    after changing the design: writes the outputs that are committed,
      src/ui/res/ZiRuri.ico            the application icon, at the sizes Windows asks for
      data/Res/main.jpg                the background the program loads from its data folder
      data/Res/wait.gif                the animation shown while a disk is being made
      data/Res/index.htm               the offline start page

/usr/bin/python3 tools/art/make_art.py --window <folder>
    run by the build: the art carried in the exe, drawn anew at each scale the window may be
    shown at (100, 125, 150, 175 and 200 %), so that none of it is ever stretched,
      background_<scale>.jpg           the default background
      btn_<name>_<scale>.bmp           button bitmaps, olive (128,128,0) transparent: 8-bit
                                       run-length coded (they hold fewer than 256 colours, so
                                       nothing is lost), 24-bit when one ever holds more
      artwork.rc                       the resources, ids as src/ui/resources.h gives them

The window lays its controls over the background at fixed places, so the picture leaves
room for them; the numbers below are those places, in 96-DPI units. At another scale every
place and size is scaled as the window scales its own (src/widgets/scale.h), so that the
buttons and their backgrounds fit the window exactly.
"""

import math
import pathlib
import struct
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

ROOT = pathlib.Path(__file__).resolve().parents[2]
RES = ROOT / "src" / "ui" / "res"
DATA = ROOT / "data" / "Res"

CJK_FONT = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"
LATIN_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"

WIDTH, HEIGHT = 800, 600
SCALES = (100, 125, 150, 175, 200)
OLIVE = (128, 128, 0)
SS = 4  # supersampling factor for smooth shapes
JPEG = dict(quality=92, subsampling=0, optimize=True)

# Where the window puts its controls (client pixels: left, top, width, height).
WEB_VIEW = (38, 112, 723, 338)
WIDE_BUTTONS = {"make": (176, 508), "config": (332, 508), "clean": (488, 508)}
WIDE_SIZE = (135, 30)
CLOSE_BUTTON = (767, 4, 29, 29)
MIN_BUTTON = (737, 4, 28, 29)
DISK_LIST = (189, 480, 425, 20)
WAIT_IMAGE = (264, 544, 25, 17)

# Calm blues, one green accent for the main action.
HEADER_LEFT = (27, 73, 115)
HEADER_RIGHT = (39, 101, 154)
BODY_TOP = (244, 247, 251)
BODY_BOTTOM = (226, 234, 243)
HEADER_HEIGHT = 100
BAND_TOP = 541
BAND = (34, 54, 74)
BAND_LINE = (58, 84, 110)
INK = (43, 61, 79)


# The DPI being drawn for; 96 is 100 %.
DPI = 96


def sc(value):
    """A place or size in pixels at DPI, rounded as the window rounds it (half away from 0)."""
    product = value * DPI
    return (product + 48) // 96 if product >= 0 else -((-product + 48) // 96)


def sf(value):
    """A drawing coordinate at DPI, unrounded."""
    return value * DPI / 96


def font(path, size):
    return ImageFont.truetype(path, sc(size))


def lerp(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def gradient(size, top, bottom):
    """Top to bottom: one column, widened."""
    w, h = size
    column = Image.new("RGB", (1, h))
    px = column.load()
    span = h - 1 or 1
    for y in range(h):
        px[0, y] = lerp(top, bottom, y / span)
    return column.resize(size, Image.NEAREST)


def header_colour(across, down):
    """The header's colour at a point given as fractions of its width (0 to 1) and height."""
    base = lerp(HEADER_LEFT, HEADER_RIGHT, across)
    return lerp(base, (255, 255, 255), 0.04 * (1 - down))


def rounded_mask(size, box, radius):
    """An anti-aliased rounded-rectangle mask drawn at SS times and reduced."""
    w, h = size
    big = Image.new("L", (w * SS, h * SS), 0)
    x0, y0, x1, y1 = box
    ImageDraw.Draw(big).rounded_rectangle(
        (x0 * SS, y0 * SS, x1 * SS - 1, y1 * SS - 1), round(radius * SS), fill=255)
    return big.resize(size, Image.LANCZOS)


def usb_glyph(size, colour):
    """A flash disk seen from the side: body, connector and two contact windows."""
    w, h = size
    big = Image.new("RGBA", (w * SS, h * SS), (0, 0, 0, 0))
    d = ImageDraw.Draw(big)
    s = w * SS / 56.0
    d.rounded_rectangle((6 * s, 18 * s, 38 * s, 40 * s), 5 * s, fill=colour)
    d.rectangle((38 * s, 22 * s, 52 * s, 36 * s), outline=colour, width=max(1, round(3 * s)))
    d.rectangle((43 * s, 26 * s, 46 * s, 28 * s), fill=colour)
    d.rectangle((43 * s, 30 * s, 46 * s, 32 * s), fill=colour)
    return big.resize(size, Image.LANCZOS)


def logo(size):
    """The application mark: a rounded tile with the flash disk on it."""
    w, h = size
    tile = Image.new("RGBA", size, (0, 0, 0, 0))
    fill = gradient(size, (77, 171, 120), (38, 128, 88))
    tile.paste(fill, (0, 0), rounded_mask(size, (0, 0, w, h), max(2, w // 6)))
    glyph = usb_glyph(size, (255, 255, 255, 255))
    return Image.alpha_composite(tile, glyph)


def draw_text(img, xy, text, fnt, fill, anchor="la"):
    ImageDraw.Draw(img).text(xy, text, font=fnt, fill=fill, anchor=anchor)


def hline(d, y, width, colour):
    """A line one 96-DPI pixel thick across the whole width."""
    d.rectangle((0, sc(y), width, sc(y + 1) - 1), fill=colour)


def background():
    width, height, header_height = sc(WIDTH), sc(HEIGHT), sc(HEADER_HEIGHT)
    img = gradient((width, height), BODY_TOP, BODY_BOTTOM)

    # Header with the product name.
    header = Image.new("RGB", (width, header_height))
    hp = header.load()
    for y in range(header_height):
        for x in range(width):
            hp[x, y] = header_colour(x / (width - 1), y / header_height)
    img.paste(header, (0, 0))
    d = ImageDraw.Draw(img)
    hline(d, HEADER_HEIGHT, width, (20, 55, 88))
    hline(d, HEADER_HEIGHT + 1, width, (210, 222, 235))
    mark = logo((sc(54), sc(54)))
    img.paste(mark, (sc(30), sc(23)), mark)
    draw_text(img, (sc(98), sc(18)), "ZiRuri", font(LATIN_BOLD, 32), (255, 255, 255))
    draw_text(img, (sc(100), sc(60)), "U盘启动盘  一键制作", font(CJK_FONT, 17), (205, 224, 243))
    draw_text(img, (width - sc(24), sc(72)), "插上U盘  ·  选中它  ·  点一下",
              font(CJK_FONT, 13), (160, 193, 224), anchor="ra")

    # A soft shadow and a thin frame around the web view.
    x, y, w, h = (sc(v) for v in WEB_VIEW)
    line = sc(1)
    shadow = Image.new("L", (width, height), 0)
    ImageDraw.Draw(shadow).rectangle((x - line, y + line, x + w, y + h + 2 * line), fill=70)
    shadow = shadow.filter(ImageFilter.GaussianBlur(sf(5)))
    img.paste((120, 140, 165), (0, 0), shadow)
    d = ImageDraw.Draw(img)
    d.rectangle((x - line, y - line, x + w + line - 1, y + h + line - 1), outline=(169, 188, 207),
                fill=(255, 255, 255), width=line)

    # The disk list's caption, left of the list.
    lx, ly, _, lh = (sc(v) for v in DISK_LIST)
    draw_text(img, (lx - sc(8), ly + lh // 2), "选择U盘：", font(CJK_FONT, 13), INK, anchor="rm")

    # Status band: the wait animation and its white caption sit on it while a disk is made.
    d.rectangle((0, sc(BAND_TOP), width, height), fill=BAND)
    hline(d, BAND_TOP, width, BAND_LINE)
    hint = font(CJK_FONT, 12)
    draw_text(img, (sc(24), sc(580)), "提示：制作启动盘会清除U盘上的全部数据，请先备份重要文件。",
              hint, (150, 172, 194), anchor="lm")
    draw_text(img, (width - sc(24), sc(580)), "ZiRuri", font(LATIN_BOLD, 12), (120, 146, 172),
              anchor="rm")
    return img


def compose_button(bg_crop, layer):
    """Lays an RGBA button over the background it will sit on; pixels the button does not
    touch become olive, so the window's own background shows through them."""
    out = Image.alpha_composite(bg_crop.convert("RGBA"), layer).convert("RGB")
    alpha = layer.getchannel("A").load()
    px = out.load()
    w, h = out.size
    for yy in range(h):
        for xx in range(w):
            if alpha[xx, yy] == 0:
                px[xx, yy] = OLIVE
            elif px[xx, yy] == OLIVE:
                px[xx, yy] = (129, 128, 0)
    return out


def wide_button(top, bottom, border, highlight):
    size = w, h = sc(WIDE_SIZE[0]), sc(WIDE_SIZE[1])
    line = sc(1)
    layer = Image.new("RGBA", size, (0, 0, 0, 0))
    outer = rounded_mask(size, (0, 0, w, h), sf(5))
    inner = rounded_mask(size, (line, line, w - line, h - line), sf(4))
    layer.paste(Image.new("RGBA", size, border + (255,)), (0, 0), outer)
    fill = gradient(size, top, bottom).convert("RGBA")
    layer.paste(fill, (0, 0), inner)
    ImageDraw.Draw(layer).rectangle((sc(4), line, w - sc(5), 2 * line - 1),
                                    fill=highlight + (255,))
    layer.putalpha(outer)
    return layer


def glyph_canvas(size, backing):
    """A supersampled transparent canvas for a caption-bar glyph, on its rounded backing."""
    w, h = size
    big = Image.new("RGBA", (w * SS, h * SS), (0, 0, 0, 0))
    d = ImageDraw.Draw(big)
    if backing:
        a = round(sf(1) * SS)
        d.rounded_rectangle((a, a, w * SS - a - 1, h * SS - a - 1), round(sf(4) * SS),
                            fill=backing)
    return big, d


def cross(size, colour, backing=None):
    big, d = glyph_canvas(size, backing)
    a, b = round(sf(10) * SS), size[0] * SS - round(sf(10) * SS)
    d.line((a, a, b, b), fill=colour, width=round(sf(2) * SS))
    d.line((a, b, b, a), fill=colour, width=round(sf(2) * SS))
    return big.resize(size, Image.LANCZOS)


def dash(size, colour, backing=None):
    big, d = glyph_canvas(size, backing)
    d.rectangle((round(sf(9) * SS), round(sf(17) * SS), size[0] * SS - round(sf(9) * SS) - 1,
                 round(sf(19) * SS) - 1), fill=colour)
    return big.resize(size, Image.LANCZOS)


def crop(img, x, y, w, h):
    """The part of the background under a control placed at x, y, w, h (96-DPI units)."""
    left, top = sc(x), sc(y)
    return img.crop((left, top, left + sc(w), top + sc(h)))


def buttons(bg):
    out = {}
    styles = {
        # the main action in green, the two others in blue
        "make": (((70, 176, 122), (40, 134, 92), (27, 99, 67), (128, 208, 166)),
                 ((86, 196, 140), (48, 152, 104), (31, 112, 76), (150, 222, 184))),
        "wide": (((63, 138, 204), (35, 99, 160), (25, 75, 124), (116, 172, 224)),
                 ((80, 158, 222), (44, 118, 182), (30, 88, 140), (138, 192, 238))),
    }
    disabled = ((182, 191, 201), (155, 166, 178), (132, 143, 155), (210, 216, 223))
    for name, (x, y) in WIDE_BUTTONS.items():
        normal, hot = styles["make" if name == "make" else "wide"]
        under = crop(bg, x, y, *WIDE_SIZE)
        out[f"{name}_normal"] = compose_button(under, wide_button(*normal))
        out[f"{name}_hot"] = compose_button(under, wide_button(*hot))
        out[f"{name}_disabled"] = compose_button(under, wide_button(*disabled))

    x, y, w, h = CLOSE_BUTTON
    under = crop(bg, x, y, w, h)
    size = (sc(w), sc(h))
    out["close_normal"] = compose_button(under, cross(size, (255, 255, 255, 235)))
    out["close_hot"] = compose_button(
        under, cross(size, (255, 255, 255, 255), backing=(214, 69, 65, 255)))
    out["close_disabled"] = compose_button(under, cross(size, (118, 150, 182, 255)))

    x, y, w, h = MIN_BUTTON
    under = crop(bg, x, y, w, h)
    size = (sc(w), sc(h))
    centre = header_colour((x + w // 2) / (WIDTH - 1), (y + h // 2) / HEADER_HEIGHT)
    lighter = lerp(centre, (255, 255, 255), 0.2) + (255,)
    out["min_normal"] = compose_button(under, dash(size, (255, 255, 255, 235)))
    out["min_hot"] = compose_button(under, dash(size, (255, 255, 255, 255), backing=lighter))
    return out


def wait_animation():
    """Three dots that light up in turn, on the status band's colour. The palette runs from
    the band (index 0, transparent) to the brightest dot colour, so dot edges blend into
    the band exactly."""
    w, h = WAIT_IMAGE[2], WAIT_IMAGE[3]
    bright = (143, 211, 255)
    palette = [BAND]
    for i in range(1, 256):
        palette.append(lerp(BAND, bright, i / 255))
    flat = [c for rgb in palette for c in rgb]

    centres = (4.5, 12.5, 20.5)
    coverage = []
    for cx in centres:
        big = Image.new("L", (w * SS, h * SS), 0)
        r = 3.2 * SS
        cy = h * SS / 2
        ImageDraw.Draw(big).ellipse((cx * SS - r, cy - r, cx * SS + r, cy + r), fill=255)
        coverage.append(big.resize((w, h), Image.LANCZOS).load())

    frames = []
    steps = 12
    for f in range(steps):
        frame = Image.new("P", (w, h), 0)
        frame.putpalette(flat)
        px = frame.load()
        for i in range(len(centres)):
            wave = 0.5 + 0.5 * math.cos(2 * math.pi * (f / steps - i / 6.0))
            level = 0.3 + 0.7 * wave * wave
            for yy in range(h):
                for xx in range(w):
                    c = coverage[i][xx, yy] / 255.0
                    if c < 0.1:
                        continue
                    px[xx, yy] = max(px[xx, yy], max(1, round(255 * c * level)))
        frames.append(frame)
    return frames, palette


START_PAGE = """<!DOCTYPE html>
<html lang="zh-CN">
<head>
<meta charset="utf-8">
<meta http-equiv="Content-Type" content="text/html; charset=utf-8">
<meta http-equiv="X-UA-Compatible" content="IE=edge">
<title>ZiRuri 使用说明</title>
<style>
html, body { margin: 0; padding: 0; overflow: hidden; }
body { width: 723px; height: 338px; background: #ffffff; color: #2b3d4f;
       font: 12px/1.65 "Microsoft YaHei", "微软雅黑", "SimSun", "宋体", sans-serif; }
.hero { height: 58px; padding: 12px 24px 0 24px; background: #eef5fc;
        border-bottom: 1px solid #d5e3f0; }
h1 { margin: 0; font-size: 19px; font-weight: normal; color: #1f4e79; }
.hero p { margin: 3px 0 0 0; color: #5a7188; }
.cols { padding: 14px 24px 0 24px; height: 214px; }
.col { float: left; width: 203px; margin-right: 33px; }
.col.last { margin-right: 0; }
h2 { margin: 0 0 7px 0; padding-left: 8px; font-size: 13px; font-weight: bold;
     color: #1f4e79; border-left: 3px solid #2f9e6e; line-height: 15px; }
ol, ul { margin: 0; padding-left: 18px; }
li { margin: 0 0 4px 0; }
p { margin: 0 0 5px 0; }
b { color: #23805a; font-weight: normal; }
.foot { clear: both; margin: 0 24px; padding-top: 7px; border-top: 1px dashed #d5e3f0;
        color: #8a9bad; font-size: 11px; }
</style>
</head>
<body>
<div class="hero">
  <h1>欢迎使用 ZiRuri U盘启动盘制作工具</h1>
  <p>插上U盘，点一下按钮，普通U盘就变成能启动电脑的系统维护盘。</p>
</div>
<div class="cols">
  <div class="col">
    <h2>三步完成制作</h2>
    <ol>
      <li>插入U盘，在下方列表中选中它。列表每 2 秒自动刷新。</li>
      <li>选择启动模式：一般电脑选 <b>USB-HDD</b>，较老的电脑可选 <b>USB-ZIP</b>。</li>
      <li>点击“<b>一键制成USB启动盘</b>”，确认后稍等片刻，看到“制作完成”即可。</li>
    </ol>
  </div>
  <div class="col">
    <h2>自定义启动项</h2>
    <p>点击“<b>U盘启动项配置</b>”，可以把自己的 ISO 光盘镜像或 IMG 软盘镜像加入启动菜单。</p>
    <ul>
      <li>镜像在下次制作时一并复制到U盘。</li>
      <li>在列表中再次单击菜单名称即可改名。</li>
    </ul>
  </div>
  <div class="col last">
    <h2>注意事项</h2>
    <ul>
      <li>制作会清除U盘上的全部数据，请先备份。</li>
      <li>制作过程中请不要拔出U盘，也不要退出本程序。</li>
      <li>想让U盘恢复全部空间时，点击“<b>归还U盘空间</b>”。</li>
      <li>本程序需要以管理员身份运行。</li>
    </ul>
  </div>
</div>
<div class="foot">这是离线说明页；电脑联网时，这里显示 ZiRuri 主页。</div>
</body>
</html>
"""


def check_wait_gif(path, expected, palette):
    """Decodes the written GIF again and compares every frame, so a change in how Pillow
    writes animations cannot slip into the product unnoticed."""
    with Image.open(path) as gif:
        for i, want in enumerate(expected):
            gif.seek(i)
            got = gif.convert("RGBA").load()
            idx = want.load()
            for yy in range(want.size[1]):
                for xx in range(want.size[0]):
                    rgba = got[xx, yy]
                    if idx[xx, yy] == 0:
                        ok = rgba[3] == 0
                    else:
                        ok = rgba == palette[idx[xx, yy]] + (255,)
                    if not ok:
                        sys.exit(f"wait.gif frame {i} differs at {xx},{yy}")


def source_art():
    DATA.mkdir(parents=True, exist_ok=True)
    background().save(DATA / "main.jpg", **JPEG)

    # Small icons at 100 to 200 % (16 to 32 pixels), large ones (32 to 64), and Explorer's.
    icon = logo((256, 256))
    icon.save(RES / "ZiRuri.ico",
              sizes=[(n, n) for n in (16, 20, 24, 28, 32, 40, 48, 56, 64, 256)])

    frames, palette = wait_animation()
    frames[0].save(DATA / "wait.gif", save_all=True, append_images=frames[1:], duration=90,
                   loop=0, transparency=0, disposal=1, optimize=False)
    check_wait_gif(DATA / "wait.gif", frames, palette)

    (DATA / "index.htm").write_text(START_PAGE, encoding="utf-8", newline="\r\n")


def rle8_row(row):
    """One row in BI_RLE8: runs of two or more as (count, index), the pixels between them in
    absolute mode (0, count, indices, padded to a word), and the end-of-line mark."""
    out = bytearray()
    literal = []

    def flush():
        while literal:
            chunk = literal[:255]
            del literal[:255]
            if len(chunk) < 3:  # absolute mode needs three or more
                for value in chunk:
                    out.extend((1, value))
            else:
                out.extend((0, len(chunk)))
                out.extend(chunk)
                if len(chunk) % 2:
                    out.append(0)

    i = 0
    while i < len(row):
        run = 1
        while i + run < len(row) and run < 255 and row[i + run] == row[i]:
            run += 1
        if run >= 2:
            flush()
            out.extend((run, row[i]))
        else:
            literal.append(row[i])
        i += run
    flush()
    out.extend((0, 0))
    return out


def save_bitmap(img, path):
    """A BITMAP resource as small as it can be without losing a pixel."""
    colours = img.getcolors(256)
    if colours is None:
        img.save(path)
        return
    palette = [colour for _, colour in sorted(colours, key=lambda c: c[1])]
    index = {colour: i for i, colour in enumerate(palette)}
    width, height = img.size
    pixels = list(img.getdata())
    bits = bytearray()
    for y in reversed(range(height)):  # run-length bitmaps are stored bottom-up
        bits += rle8_row([index[p] for p in pixels[y * width:(y + 1) * width]])
    bits += bytes((0, 1))  # end of bitmap
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    offset = 14 + 40 + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 1, len(bits), 2835, 2835,
                       len(palette), len(palette))  # compression 1 = BI_RLE8
    path.write_bytes(header + info + table + bits)
    # Read back by another decoder, so that a fault of the coder above stops the build rather
    # than showing as stray pixels on a button.
    with Image.open(path) as written:
        if written.convert("RGB").tobytes() != img.tobytes():
            sys.exit(f"make_art.py: {path.name} does not read back as drawn")


def window_art(folder):
    """The exe's art at every scale, and the resource script that carries it. Resource ids are
    those of src/ui/resources.h, IDR_DEFAULT_BACKGROUND and IDB_<BUTTON>_<STATE>, moved on by
    ZR_ART_ID for each scale after the first."""
    global DPI
    folder.mkdir(parents=True, exist_ok=True)
    lines = ["// The window's art at each scale, drawn by tools/art/make_art.py at build time.",
             '#include "ui/resources.h"', ""]
    for index, percent in enumerate(SCALES):
        DPI = 96 * percent // 100
        bg = background()
        name = f"background_{percent}.jpg"
        bg.save(folder / name, **JPEG)
        lines.append(f'ZR_ART_ID(IDR_DEFAULT_BACKGROUND, {index}) RCDATA "{name}"')
        for button, img in buttons(bg).items():
            name = f"btn_{button}_{percent}.bmp"
            save_bitmap(img.convert("RGB"), folder / name)
            lines.append(f'ZR_ART_ID(IDB_{button.upper()}, {index}) BITMAP "{name}"')
    DPI = 96
    (folder / "artwork.rc").write_text("\n".join(lines) + "\n", encoding="ascii")


def main(argv):
    if len(argv) == 3 and argv[1] == "--window":
        window_art(pathlib.Path(argv[2]))
    elif len(argv) == 1:
        source_art()
    else:
        sys.exit("usage: make_art.py [--window <folder>]")


if __name__ == "__main__":
    main(sys.argv)
