#!/usr/bin/env python3
# A text field in a window of its own, for typing tests: whatever it holds is
# written to the file named by the first argument at each change.
import sys
import tkinter

path = sys.argv[1]
root = tkinter.Tk(className="kbtextfield")
root.title("text field")
root.geometry("420x90+40+40")
text = tkinter.StringVar()


def save(*_):
    with open(path + ".tmp", "w", encoding="utf-8") as f:
        f.write(text.get())
    import os
    os.replace(path + ".tmp", path)


text.trace_add("write", save)
entry = tkinter.Entry(root, textvariable=text, font=("DejaVu Sans", 20))
entry.pack(fill="both", expand=True, padx=12, pady=12)
entry.focus_set()
save()
root.mainloop()
