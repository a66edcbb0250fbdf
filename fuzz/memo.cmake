# Readers of untrusted bytes in the memo library: packages, every picture format and annotation JSON.
marvo_fuzz(memo_package LINKS marvo_memo)
marvo_fuzz(image_png LINKS marvo_memo)
marvo_fuzz(image_jpeg LINKS marvo_memo)
marvo_fuzz(image_bmp LINKS marvo_memo)
marvo_fuzz(image_tga LINKS marvo_memo)
marvo_fuzz(image_ppm LINKS marvo_memo)
marvo_fuzz(memo_draw LINKS marvo_memo)
marvo_fuzz(web_annotation LINKS marvo_memo)
